#pragma once
#include <windows.h>
#include <oleacc.h>
#include <string>

// The MSAA face of one skinned or standard control, handed out on
// WM_GETOBJECT. It keeps no copy of the control's state: every answer is
// asked of the control. Once the control is gone (Disconnect), every call
// answers CO_E_OBJNOTCONNECTED.
class CAccessibleObject : public IAccessible
{
public:
    explicit CAccessibleObject(HWND window) : m_window(window) {}
    CAccessibleObject(const CAccessibleObject&) = delete;
    CAccessibleObject& operator=(const CAccessibleObject&) = delete;

    void Disconnect() { m_window = nullptr; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch: screen readers use the vtable, not late binding.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override;

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(LONG* left, LONG* top, LONG* width, LONG* height,
                                          VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

protected:
    virtual ~CAccessibleObject() = default;

    HWND Window() const { return m_window; }
    // What each kind of control answers; called only while connected.
    virtual std::wstring Name() const = 0;
    virtual LONG Role() const = 0;
    // The value, or false when the control has none.
    virtual bool Value(std::wstring&) const { return false; }
    // The states beyond focusable, focused and unavailable, which all share.
    virtual LONG ExtraState() const { return 0; }
    virtual bool Unavailable() const { return !::IsWindowEnabled(Window()); }
    virtual bool HasFocus() const { return ::GetFocus() == Window(); }
    virtual HRESULT SetValue(const std::wstring&) { return DISP_E_MEMBERNOTFOUND; }
    // The default action's name, empty when there is none.
    virtual std::wstring DefaultAction() const { return {}; }
    virtual void DoDefaultAction() {}

private:
    // S_OK when connected and the child is the control itself.
    HRESULT Check(const VARIANT& child) const;
    // The answer for a text property the control does not have.
    HRESULT NoText(const VARIANT& child, BSTR* text) const;

    HWND m_window;
    LONG m_references = 1;
};
