#pragma once
#include <windows.h>

// The object side of a window: a window procedure that reaches a C++ object,
// subclassing of existing windows (template controls), and message
// reflection from a parent back to the child object that owns the message.
class CWnd
{
public:
    CWnd() = default;
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // The object attached to hwnd, or null. A subclassed window keeps its
    // object in its user data (GWLP_USERDATA), which is not for other use.
    static CWnd* FromHandle(HWND hwnd);

    // Attaches this object to an existing window; PreSubclassWindow runs first.
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(int id, CWnd& parent);
    HWND UnsubclassWindow();

    virtual void PreSubclassWindow() {}
    // Called by the modal loop for the target window and each of its parents;
    // true means the message was handled and is not dispatched.
    virtual bool PreTranslateMessage(MSG* msg);

    // The message map: derived classes switch on the messages they handle
    // and pass everything else to their base.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

    // A message that the parent reflects to this child (WM_DRAWITEM and the
    // WM_CTLCOLOR family); true when the child produced the result.
    virtual bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);

    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    void Invalidate(bool erase = true) const { ::InvalidateRect(m_hWnd, nullptr, erase); }
    LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageW(m_hWnd, msg, wParam, lParam);
    }

protected:
    // Runs the window's original procedure on the message being handled.
    LRESULT Default();
    // The current message's parameters, for handlers that need them.
    const MSG& CurrentMessage() const { return m_current; }

    static LRESULT CALLBACK StaticWindowProc(HWND, UINT, WPARAM, LPARAM) noexcept;
    LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

private:
    bool ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result);
    void Detach();

    WNDPROC m_originalProc = nullptr;
    MSG m_current{};
};
