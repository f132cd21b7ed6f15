#include "AccessibleObject.h"

namespace
{
HRESULT ToBstr(const std::wstring& text, BSTR* out)
{
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}
} // namespace

HRESULT CAccessibleObject::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible))
    {
        *object = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CAccessibleObject::AddRef()
{
    return static_cast<ULONG>(::InterlockedIncrement(&m_references));
}

ULONG CAccessibleObject::Release()
{
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT CAccessibleObject::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT CAccessibleObject::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT CAccessibleObject::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

HRESULT CAccessibleObject::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                  UINT*)
{
    return E_NOTIMPL;
}

HRESULT CAccessibleObject::Check(const VARIANT& child) const
{
    if (!m_window || !::IsWindow(m_window))
        return CO_E_OBJNOTCONNECTED;
    return IsSelf(child) ? S_OK : E_INVALIDARG;
}

HRESULT CAccessibleObject::NoText(const VARIANT& child, BSTR* text) const
{
    if (!text)
        return E_POINTER;
    *text = nullptr;
    const HRESULT checked = Check(child);
    return FAILED(checked) ? checked : S_FALSE;
}

HRESULT CAccessibleObject::get_accParent(IDispatch** parent)
{
    if (!parent)
        return E_POINTER;
    *parent = nullptr;
    if (!m_window)
        return CO_E_OBJNOTCONNECTED;
    // The window's own object, which the system provides, lists this one.
    return ::AccessibleObjectFromWindow(m_window, static_cast<DWORD>(OBJID_WINDOW),
                                        __uuidof(IDispatch), reinterpret_cast<void**>(parent));
}

HRESULT CAccessibleObject::get_accChildCount(LONG* count)
{
    if (!count)
        return E_POINTER;
    *count = 0;
    return m_window ? S_OK : CO_E_OBJNOTCONNECTED;
}

HRESULT CAccessibleObject::get_accChild(VARIANT child, IDispatch** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!m_window)
        return CO_E_OBJNOTCONNECTED;
    return IsSelf(child) ? S_FALSE : E_INVALIDARG;
}

HRESULT CAccessibleObject::get_accName(VARIANT child, BSTR* name)
{
    if (!name)
        return E_POINTER;
    *name = nullptr;
    const HRESULT checked = Check(child);
    return FAILED(checked) ? checked : ToBstr(Name(), name);
}

HRESULT CAccessibleObject::get_accValue(VARIANT child, BSTR* value)
{
    if (!value)
        return E_POINTER;
    *value = nullptr;
    const HRESULT checked = Check(child);
    if (FAILED(checked))
        return checked;
    std::wstring text;
    if (!Value(text))
        return DISP_E_MEMBERNOTFOUND;
    return ToBstr(text, value);
}

HRESULT CAccessibleObject::get_accDescription(VARIANT child, BSTR* description)
{
    return NoText(child, description);
}

HRESULT CAccessibleObject::get_accRole(VARIANT child, VARIANT* role)
{
    if (!role)
        return E_POINTER;
    ::VariantInit(role);
    const HRESULT checked = Check(child);
    if (FAILED(checked))
        return checked;
    role->vt = VT_I4;
    role->lVal = Role();
    return S_OK;
}

HRESULT CAccessibleObject::get_accState(VARIANT child, VARIANT* state)
{
    if (!state)
        return E_POINTER;
    ::VariantInit(state);
    const HRESULT checked = Check(child);
    if (FAILED(checked))
        return checked;
    LONG flags = STATE_SYSTEM_FOCUSABLE | ExtraState();
    if (HasFocus())
        flags |= STATE_SYSTEM_FOCUSED;
    if (Unavailable())
        flags |= STATE_SYSTEM_UNAVAILABLE;
    if (!::IsWindowVisible(m_window))
        flags |= STATE_SYSTEM_INVISIBLE;
    state->vt = VT_I4;
    state->lVal = flags;
    return S_OK;
}

HRESULT CAccessibleObject::get_accHelp(VARIANT child, BSTR* help)
{
    return NoText(child, help);
}

HRESULT CAccessibleObject::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic)
{
    if (!topic)
        return E_POINTER;
    *topic = 0;
    return NoText(child, file);
}

HRESULT CAccessibleObject::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut)
{
    return NoText(child, shortcut);
}

HRESULT CAccessibleObject::get_accFocus(VARIANT* focus)
{
    if (!focus)
        return E_POINTER;
    ::VariantInit(focus);
    if (!m_window)
        return CO_E_OBJNOTCONNECTED;
    if (!HasFocus())
        return S_FALSE;
    focus->vt = VT_I4;
    focus->lVal = CHILDID_SELF;
    return S_OK;
}

HRESULT CAccessibleObject::get_accSelection(VARIANT* selection)
{
    if (!selection)
        return E_POINTER;
    ::VariantInit(selection);
    return m_window ? S_FALSE : CO_E_OBJNOTCONNECTED;
}

HRESULT CAccessibleObject::get_accDefaultAction(VARIANT child, BSTR* action)
{
    if (!action)
        return E_POINTER;
    *action = nullptr;
    const HRESULT checked = Check(child);
    if (FAILED(checked))
        return checked;
    const std::wstring name = DefaultAction();
    return name.empty() ? S_FALSE : ToBstr(name, action);
}

HRESULT CAccessibleObject::accSelect(LONG flags, VARIANT child)
{
    const HRESULT checked = Check(child);
    if (FAILED(checked))
        return checked;
    if (flags != SELFLAG_TAKEFOCUS)
        return DISP_E_MEMBERNOTFOUND;
    ::SetFocus(m_window);
    return S_OK;
}

HRESULT CAccessibleObject::accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                       VARIANT child)
{
    if (!left || !top || !width || !height)
        return E_POINTER;
    const HRESULT checked = Check(child);
    if (FAILED(checked))
        return checked;
    RECT rect{};
    ::GetWindowRect(m_window, &rect);
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
}

HRESULT CAccessibleObject::accNavigate(LONG, VARIANT start, VARIANT* end)
{
    if (!end)
        return E_POINTER;
    ::VariantInit(end);
    const HRESULT checked = Check(start);
    // Siblings are reached through the parent window's object.
    return FAILED(checked) ? checked : DISP_E_MEMBERNOTFOUND;
}

HRESULT CAccessibleObject::accHitTest(LONG x, LONG y, VARIANT* child)
{
    if (!child)
        return E_POINTER;
    ::VariantInit(child);
    if (!m_window || !::IsWindow(m_window))
        return CO_E_OBJNOTCONNECTED;
    RECT rect{};
    ::GetWindowRect(m_window, &rect);
    if (!::PtInRect(&rect, POINT{x, y}))
        return S_FALSE;
    child->vt = VT_I4;
    child->lVal = CHILDID_SELF;
    return S_OK;
}

HRESULT CAccessibleObject::accDoDefaultAction(VARIANT child)
{
    const HRESULT checked = Check(child);
    if (FAILED(checked))
        return checked;
    if (DefaultAction().empty())
        return DISP_E_MEMBERNOTFOUND;
    DoDefaultAction();
    return S_OK;
}

HRESULT CAccessibleObject::put_accName(VARIANT, BSTR)
{
    // Obsolete in MSAA; names come from the control.
    return E_NOTIMPL;
}

HRESULT CAccessibleObject::put_accValue(VARIANT child, BSTR value)
{
    const HRESULT checked = Check(child);
    if (FAILED(checked))
        return checked;
    return SetValue(value ? std::wstring(value, ::SysStringLen(value)) : std::wstring());
}
