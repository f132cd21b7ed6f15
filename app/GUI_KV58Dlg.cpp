#include "GUI_KV58Dlg.h"
#include "../framework/ResourceString.h"
#include "../framework/WinApp.h"
#include "resource.h"

CGUI_KV58Dlg::CGUI_KV58Dlg(const UsbAudioApi& api, const HidApi& hid, bool showAllowed)
    : CDialog(IDD_GUI_KV58_DIALOG),
      m_hIcon(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      m_bShowAllowed(showAllowed), m_api(api), m_hid(hid)
{
}

CGUI_KV58Dlg::~CGUI_KV58Dlg() = default;

void CGUI_KV58Dlg::DoDataExchange()
{
    DDX_Control(IDC_SAMPLE_RATE, m_cbSampleRate);
    DDX_Control(IDC_INPUT_SOURCE, m_cbInputSource);
    DDX_Control(IDC_TRACKBAR_1002, m_trackbars[0]);
    DDX_Control(IDC_TRACKBAR_1003, m_trackbars[4]);
    DDX_Control(IDC_STREAMING_MODE, m_cbStreamingMode);
    DDX_Control(IDC_ASIO_BUFFER, m_cbAsioBuffer);
    DDX_Control(IDC_TRACKBAR_1007, m_trackbars[1]);
    DDX_Control(IDC_TRACKBAR_1006, m_trackbars[2]);
    DDX_Control(IDC_TRACKBAR_1008, m_trackbars[5]);
    DDX_Control(IDC_TRACKBAR_1009, m_trackbars[6]);
    DDX_Control(IDC_TRACKBAR_1010, m_trackbars[7]);
    DDX_Control(IDC_TRACKBAR_1012, m_trackbars[3]);
}

BOOL CGUI_KV58Dlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    const std::wstring title = LoadResString(IDS_TITLE);
    ::SetWindowTextW(m_hWnd, title.c_str());
    return TRUE;
}

int CGUI_KV58Dlg::ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT style)
{
    return ::MessageBoxW(m_hWnd, text.c_str(), caption.c_str(), style);
}

void CGUI_KV58Dlg::OnSysCommand(UINT id)
{
    if ((id & 0xFFF0) == SC_CLOSE)
    {
        // Closing only hides the panel; it goes on living in the tray.
        ::ShowWindow(m_hWnd, SW_HIDE);
        return;
    }
    Default();
}

void CGUI_KV58Dlg::OnClose()
{
    Default();
}

void CGUI_KV58Dlg::OnWindowPosChanging(WINDOWPOS* pos)
{
    // A hidden start stays hidden until the user opens or hides it from the tray.
    if (!m_bShowAllowed)
        pos->flags &= ~SWP_SHOWWINDOW;
}

void CGUI_KV58Dlg::OnTrayExit()
{
    ::PostMessageW(m_hWnd, WM_COMMAND, ID_APP_EXIT, 0);
}

bool CGUI_KV58Dlg::OnCommand(WORD id, WORD)
{
    switch (id)
    {
    case ID_TRAY_EXIT:
        OnTrayExit();
        return true;
    }
    return false;
}

LRESULT CGUI_KV58Dlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_SYSCOMMAND:
        OnSysCommand(static_cast<UINT>(wParam));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_WINDOWPOSCHANGING:
        OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
        return Default();
    case WM_COMMAND:
        if (OnCommand(LOWORD(wParam), HIWORD(wParam)))
            return 0;
        break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}
