#include "GUI_KV58App.h"
#include "../controls/ComApartment.h"
#include "../device/UsbAudioApi.h"
#include "../framework/ResourceString.h"
#include "CommandLine.h"
#include "GUI_KV58Dlg.h"
#include "resource.h"
#include <commctrl.h>
#include <gdiplus.h>

namespace
{
const wchar_t kMutexName[] = L"{6070039C-7259-452d-9949-22CC2E9B46BB}";

// A running panel takes over: its last active popup (the About box when one
// is open, else the panel) is restored and brought to the front.
void ActivateRunningPanel(const std::wstring& title)
{
    HWND panel = ::FindWindowW(nullptr, title.c_str());
    if (!panel)
        return;
    HWND popup = ::GetLastActivePopup(panel);
    if (::IsIconic(panel))
        ::ShowWindow(panel, SW_RESTORE);
    ::ShowWindow(popup, SW_SHOW);
    ::SetForegroundWindow(popup);
}
} // namespace

BOOL CGUI_KV58App::InitInstance()
{
    const std::wstring title = LoadResString(IDS_TITLE);

    if (HasSwitch(m_lpCmdLine, L"-exitall"))
    {
        if (HWND panel = ::FindWindowW(nullptr, title.c_str()))
            ::PostMessageW(panel, WM_COMMAND, ID_TRAY_EXIT, 0);
        return FALSE;
    }

    // Owned by the process until it ends; the system releases it then.
    m_hMutex = ::CreateMutexW(nullptr, TRUE, kMutexName);
    if (!m_hMutex || ::GetLastError() == ERROR_ALREADY_EXISTS)
    {
        ActivateRunningPanel(title);
        return FALSE;
    }

    m_nCmdShow = HasSwitch(m_lpCmdLine, L"-hide") ? SW_HIDE : SW_SHOW;

    Gdiplus::GdiplusStartupInput gdiplusInput;
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &gdiplusInput, nullptr);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    CComApartment com;
    UsbAudioLibrary driver;
    CGUI_KV58Dlg dialog(driver.api(), SystemHidApi(), m_nCmdShow != SW_HIDE);
    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

int CGUI_KV58App::ExitInstance()
{
    if (m_gdiplusToken)
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    return CWinApp::ExitInstance();
}
