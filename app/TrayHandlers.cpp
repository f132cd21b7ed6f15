#include "../framework/WinApp.h"
#include "GUI_KV58Dlg.h"
#include "resource.h"
#include <memory>
#include <type_traits>
#include <vector>

namespace
{
struct MenuDestroyer
{
    void operator()(HMENU menu) const { ::DestroyMenu(menu); }
};
using OwnedMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

// The Presets submenu: one item per saved preset, then saving and the folder.
HMENU BuildPresetMenu(const std::vector<std::wstring>& presets)
{
    HMENU menu = ::CreatePopupMenu();
    if (!menu)
        return nullptr;
    for (size_t i = 0; i < presets.size(); ++i)
    {
        // An ampersand in a name is shown, not taken for a mnemonic.
        std::wstring text;
        for (wchar_t c : presets[i])
            text += c == L'&' ? L"&&" : std::wstring(1, c);
        ::AppendMenuW(menu, MF_STRING, ID_TRAY_PRESET_FIRST + i, text.c_str());
    }
    if (!presets.empty())
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu, MF_STRING, ID_TRAY_PRESET_SAVE, L"&Save current settings as\u2026");
    ::AppendMenuW(menu, MF_STRING, ID_TRAY_PRESET_FOLDER, L"&Open presets folder");
    return menu;
}

// The tray menu offers what the window's state allows: Hide for a window on
// screen, Open for one that is hidden or minimised.
void TrackTrayMenu(HWND dialog, const std::vector<std::wstring>& presets)
{
    POINT cursor;
    if (!::GetCursorPos(&cursor))
        return;
    OwnedMenu menu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TRAYMENU)));
    if (!menu)
        return;
    HMENU popup = ::GetSubMenu(menu.get(), 0);
    if (!popup)
        return;

    const bool onScreen = ::IsWindowVisible(dialog) && !::IsIconic(dialog);
    ::EnableMenuItem(popup, ID_TRAY_OPEN, MF_BYCOMMAND | (onScreen ? MF_GRAYED : MF_ENABLED));
    ::EnableMenuItem(popup, ID_TRAY_HIDE, MF_BYCOMMAND | (onScreen ? MF_ENABLED : MF_GRAYED));
    ::EnableMenuItem(popup, ID_TRAY_EXIT, MF_BYCOMMAND | MF_ENABLED);
    // Owned by the tray menu once inserted, and destroyed with it.
    if (HMENU presetMenu = BuildPresetMenu(presets))
        ::InsertMenuW(popup, ID_TRAY_EXIT, MF_BYCOMMAND | MF_POPUP,
                      reinterpret_cast<UINT_PTR>(presetMenu), L"&Presets");

    // In the foreground, the menu closes when the user clicks elsewhere.
    ::SetForegroundWindow(dialog);
    ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, dialog, nullptr);
    // Lets the shell's next click on the icon reach a menu again.
    ::PostMessageW(dialog, WM_NULL, 0, 0);
}
} // namespace

LRESULT CGUI_KV58Dlg::OnTrayNotify(WPARAM id, LPARAM mouseMessage)
{
    if (id != kTrayIconId)
        return 0;
    switch (mouseMessage)
    {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnTrayOpen();
        break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    {
        std::vector<std::wstring> presets = m_presets.List();
        const size_t room = ID_TRAY_PRESET_LAST - ID_TRAY_PRESET_FIRST + 1;
        if (presets.size() > room)
            presets.resize(room);
        m_trayPresets = presets;
        TrackTrayMenu(m_hWnd, m_trayPresets);
        break;
    }
    }
    return 0;
}

void CGUI_KV58Dlg::OnTrayOpen()
{
    m_bShowAllowed = true;
    ::ShowWindow(m_hWnd, ::IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(m_hWnd);
}

void CGUI_KV58Dlg::OnTrayHide()
{
    // From now on a show request is no longer refused.
    m_bShowAllowed = true;
    ::ShowWindow(m_hWnd, SW_HIDE);
}

void CGUI_KV58Dlg::OnClose()
{
    m_closing = true;
    EndDialog(IDCANCEL);
}

void CGUI_KV58Dlg::OnEndSession(bool ending)
{
    if (!ending)
        return;
    // The process may be ended as soon as this returns.
    m_trayIcon.Remove();
    OnClose();
}

void CGUI_KV58Dlg::OnWindowPosChanged(const WINDOWPOS* pos)
{
    if (pos->flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))
        m_restart.Update(!::IsWindowVisible(m_hWnd));
}

void CGUI_KV58Dlg::OnTrayExit()
{
    // Ends the program once the menu and the tray callback have returned:
    // the application answers the command with WM_CLOSE to this window.
    ::PostMessageW(m_hWnd, WM_COMMAND, ID_APP_EXIT, 0);
}
