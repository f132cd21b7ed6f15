#include "GUI_KV58App.h"
#include "../controls/ComApartment.h"
#include "../core/DeviceSettings.h"
#include "../core/PresetApply.h"
#include "../core/TextEncoding.h"
#include "../device/UsbAudioApi.h"
#include "../framework/ResourceString.h"
#include "CommandLine.h"
#include "GUI_KV58Dlg.h"
#include "PanelWindow.h"
#include "PresetReport.h"
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
    HWND panel = FindRunningPanel(title);
    if (!panel)
        return;
    HWND popup = ::GetLastActivePopup(panel);
    if (::IsIconic(panel))
        ::ShowWindow(panel, SW_RESTORE);
    ::ShowWindow(popup, SW_SHOW);
    ::SetForegroundWindow(popup);
}
// Hands the preset's name to a running panel; false when none took it.
bool HandPresetToPanel(const std::wstring& title, const std::wstring& name)
{
    HWND panel = FindRunningPanel(title);
    if (!panel)
        return false;
    COPYDATASTRUCT data{kPresetCopyData, static_cast<DWORD>(name.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(name.data())};
    DWORD_PTR taken = FALSE;
    return ::SendMessageTimeoutW(panel, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                 SMTO_ABORTIFHUNG, 5000, &taken) &&
           taken;
}

// Applies a preset with no panel running, telling the user only what went wrong.
void ApplyPresetWithoutWindow(const std::wstring& title, const std::wstring& name)
{
    PresetReading reading;
    if (const std::optional<std::string> failure = PresetStore().Load(name, reading))
    {
        ::MessageBoxW(nullptr, Wide(*failure).c_str(), title.c_str(), MB_OK | MB_ICONERROR);
        return;
    }
    UsbAudioLibrary driver;
    DeviceSession session(driver.api(), SystemHidApi());
    if (const UsbAudioStatus status = session.Open(); status != 0)
    {
        ::MessageBoxW(nullptr,
                      StatusErrorText(driver.api(), L"TUSBAUDIO_OpenDeviceByIndex", status).c_str(),
                      title.c_str(), MB_OK | MB_ICONERROR);
        return;
    }
    ChannelModel channels(session);
    // Without a panel there are no faders to link: the links stay unused.
    const PresetOutcome outcome = ApplyPreset(session, channels, reading.preset);
    for (const PanelBox& box : PresetReport(reading, outcome))
        ::MessageBoxW(nullptr, box.text.c_str(), title.c_str(), box.style);
}
} // namespace

BOOL CGUI_KV58App::InitInstance()
{
    const std::wstring title = LoadResString(IDS_TITLE);

    if (HasSwitch(m_lpCmdLine, L"-exitall"))
    {
        if (HWND panel = FindRunningPanel(title))
            ::PostMessageW(panel, WM_COMMAND, ID_TRAY_EXIT, 0);
        return FALSE;
    }

    if (const std::optional<std::wstring> preset = SwitchArgument(m_lpCmdLine, L"-preset"))
    {
        if (!HandPresetToPanel(title, *preset))
            ApplyPresetWithoutWindow(title, *preset);
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
    // The window has gone; a driver call that never returns must not keep
    // the process, whose end closes the device's handles.
    constexpr DWORD kDeviceExitGraceMs = 500;
    if (!dialog.EndDeviceWork(kDeviceExitGraceMs))
        ::ExitProcess(0);
    return FALSE;
}

int CGUI_KV58App::ExitInstance()
{
    if (m_gdiplusToken)
        Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    return CWinApp::ExitInstance();
}
