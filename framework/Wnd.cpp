#include "Wnd.h"

namespace
{
HWND ReflectionTarget(UINT msg, LPARAM lParam)
{
    switch (msg)
    {
    case WM_DRAWITEM:
    {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        return item->CtlType == ODT_MENU ? nullptr : item->hwndItem;
    }
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        return reinterpret_cast<HWND>(lParam);
    default:
        return nullptr;
    }
}
} // namespace

CWnd::~CWnd()
{
    if (m_hWnd)
        UnsubclassWindow();
}

CWnd* CWnd::FromHandle(HWND hwnd)
{
    // The object sits in the window's user data, which this program keeps for
    // it: a window property would cost a trip to the window server on every
    // message. Only a window that runs through our procedure has one.
    if (!hwnd || ::GetWindowLongPtrW(hwnd, GWLP_WNDPROC) !=
                     reinterpret_cast<LONG_PTR>(&CWnd::StaticWindowProc))
        return nullptr;
    return reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

bool CWnd::SubclassWindow(HWND hwnd)
{
    if (!hwnd || m_hWnd || FromHandle(hwnd) || ::GetWindowLongPtrW(hwnd, GWLP_USERDATA))
        return false;
    m_hWnd = hwnd;
    PreSubclassWindow();
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_originalProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
        hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StaticWindowProc)));
    return true;
}

bool CWnd::SubclassDlgItem(int id, CWnd& parent)
{
    return SubclassWindow(::GetDlgItem(parent.m_hWnd, id));
}

HWND CWnd::UnsubclassWindow()
{
    HWND hwnd = m_hWnd;
    if (!hwnd)
        return nullptr;
    if (::IsWindow(hwnd))
    {
        if (::GetWindowLongPtrW(hwnd, GWLP_WNDPROC) ==
            reinterpret_cast<LONG_PTR>(&CWnd::StaticWindowProc))
            ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_originalProc));
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    }
    m_hWnd = nullptr;
    m_originalProc = nullptr;
    return hwnd;
}

void CWnd::Detach()
{
    UnsubclassWindow();
}

bool CWnd::PreTranslateMessage(MSG*)
{
    return false;
}

bool CWnd::OnChildNotify(UINT, WPARAM, LPARAM, LRESULT*)
{
    return false;
}

bool CWnd::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    CWnd* child = FromHandle(ReflectionTarget(msg, lParam));
    return child && child != this && child->OnChildNotify(msg, wParam, lParam, result);
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (ReflectToChild(msg, wParam, lParam, &result))
        return result;
    return Default();
}

LRESULT CWnd::Default()
{
    return ::CallWindowProcW(m_originalProc, m_hWnd, m_current.message, m_current.wParam,
                             m_current.lParam);
}

LRESULT CWnd::Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const MSG saved = m_current;
    m_current = MSG{hwnd, msg, wParam, lParam, 0, {}};
    LRESULT result = WindowProc(msg, wParam, lParam);
    m_current = saved;
    if (msg == WM_NCDESTROY)
        Detach();
    return result;
}

LRESULT CALLBACK CWnd::StaticWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    // Only windows we subclassed come here; their user data is their object.
    auto* self = reinterpret_cast<CWnd*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    return self->Dispatch(hwnd, msg, wParam, lParam);
}
