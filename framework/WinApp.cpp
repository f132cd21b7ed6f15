#include "WinApp.h"

namespace
{
CWinApp* g_currentApp = nullptr;
}

CWinApp::CWinApp()
{
    g_currentApp = this;
}

CWinApp::~CWinApp()
{
    if (g_currentApp == this)
        g_currentApp = nullptr;
}

CWinApp* CWinApp::Current()
{
    return g_currentApp;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return m_exitCode;
}

bool CWinApp::OnCommand(UINT id)
{
    if (id != ID_APP_EXIT || !m_pMainWnd || !m_pMainWnd->m_hWnd)
        return false;
    ::SendMessageW(m_pMainWnd->m_hWnd, WM_CLOSE, 0, 0);
    return true;
}

int CWinApp::Run()
{
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    m_exitCode = static_cast<int>(msg.wParam);
    return m_exitCode;
}
