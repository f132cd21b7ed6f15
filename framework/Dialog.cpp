#include "Dialog.h"
#include "WinApp.h"
#include <cwchar>
#include <vector>

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog()
{
    if (m_hWnd && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
}

bool CDialog::Create(HWND owner)
{
    HWND hwnd = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId),
                                     owner, &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
    return hwnd != nullptr;
}

INT_PTR CDialog::DoModal()
{
    HWND owner = m_parent ? m_parent->m_hWnd : nullptr;
    m_result = -1;
    m_modalRunning = true;
    if (!Create(owner))
    {
        m_modalRunning = false;
        return -1;
    }
    if (owner)
        ::EnableWindow(owner, FALSE);
    // As the system's modal dialogs do, the loop shows a template that is not
    // visible by itself (a window that refuses to be shown stays hidden).
    if (!::IsWindowVisible(m_hWnd))
        ::ShowWindow(m_hWnd, SW_SHOWNORMAL);

    MSG msg;
    while (m_modalRunning)
    {
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
        {
            // Leave the quit request for the loop outside ours.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got == -1)
            break;
        if (PreTranslateChain(&msg) || (m_hWnd && ::IsDialogMessageW(m_hWnd, &msg)))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    m_modalRunning = false;

    if (owner)
    {
        ::EnableWindow(owner, TRUE);
        ::SetActiveWindow(owner);
    }
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
    return m_result;
}

bool CDialog::PreTranslateChain(MSG* msg)
{
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = ::GetParent(hwnd))
    {
        CWnd* target = FromHandle(hwnd);
        if (target && target->PreTranslateMessage(msg))
            return true;
        if (hwnd == m_hWnd)
            break;
    }
    return false;
}

void CDialog::EndDialog(INT_PTR result)
{
    EndOwnedDialogs();
    m_result = result;
    if (m_modalRunning)
    {
        m_modalRunning = false;
        // The loop only looks at its flag when a posted message arrives; an
        // end requested inside a sent message would otherwise wait for one.
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);
    }
    else if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

void CDialog::EndOwnedDialogs()
{
    struct Search
    {
        HWND owner;
        std::vector<HWND> owned;
    } search{m_hWnd, {}};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM param) -> BOOL
        {
            auto* search = reinterpret_cast<Search*>(param);
            if (::GetWindow(window, GW_OWNER) == search->owner)
                search->owned.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    // Their modal loops run inside this dialog's, which cannot end before
    // them: they go too, as if cancelled.
    for (HWND window : search.owned)
    {
        wchar_t className[8] = L"";
        ::GetClassNameW(window, className, 8);
        if (auto* dialog = dynamic_cast<CDialog*>(FromHandle(window)))
            dialog->EndDialog(IDCANCEL);
        else if (wcscmp(className, L"#32770") == 0)
            ::EndDialog(window, IDCANCEL);
    }
}

BOOL CDialog::OnInitDialog()
{
    DoDataExchange();
    return TRUE;
}

void CDialog::OnOK()
{
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DDX_Control(int id, CWnd& control)
{
    control.SubclassDlgItem(id, *this);
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_CHANGEUISTATE:
        OnChangeUiState(wParam);
        return 0;
    case WM_QUERYUISTATE:
        return (CWnd::WindowProc(msg, wParam, lParam) & ~UISF_HIDEFOCUS) |
               (m_hideFocus ? UISF_HIDEFOCUS : 0);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED)
        {
            OnOK();
            return 0;
        }
        if (LOWORD(wParam) == IDCANCEL && HIWORD(wParam) == BN_CLICKED)
        {
            OnCancel();
            return 0;
        }
        // Commands the dialog does not handle go on to the application.
        if (lParam == 0 && CWinApp::Current() && CWinApp::Current()->OnCommand(LOWORD(wParam)))
            return 0;
        break;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

void CDialog::OnChangeUiState(WPARAM wParam)
{
    if (!(HIWORD(wParam) & UISF_HIDEFOCUS))
        return;
    const WORD action = LOWORD(wParam);
    const bool hide = action == UIS_SET ? true : action == UIS_CLEAR ? false : m_hideFocus;
    if (hide == m_hideFocus)
        return;
    m_hideFocus = hide;
    // Every control redraws its focus the new way.
    ::EnumChildWindows(
        m_hWnd,
        [](HWND child, LPARAM update) -> BOOL
        {
            ::SendMessageW(child, WM_UPDATEUISTATE, static_cast<WPARAM>(update), 0);
            return TRUE;
        },
        static_cast<LPARAM>(wParam));
}

bool CDialog::PreTranslateMessage(MSG* msg)
{
    // The keys that move the focus around show where it is.
    const bool navigation =
        (msg->message == WM_KEYDOWN &&
         (msg->wParam == VK_TAB || (msg->wParam >= VK_LEFT && msg->wParam <= VK_DOWN))) ||
        (msg->message == WM_SYSKEYDOWN && msg->wParam == VK_MENU);
    if (navigation && m_hideFocus)
        SendMessage(WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS));
    return CWnd::PreTranslateMessage(msg);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (msg != WM_INITDIALOG)
        return FALSE;
    auto* self = reinterpret_cast<CDialog*>(lParam);
    self->SubclassWindow(hwnd);
    return self->Dispatch(hwnd, msg, wParam, lParam);
}
