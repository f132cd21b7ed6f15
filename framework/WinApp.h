#pragma once
#include "Wnd.h"

// ID_APP_EXIT: the command that asks the application to close its main window.
constexpr UINT ID_APP_EXIT = 0xE141;

// The application object: the one global of a program. The framework's
// wWinMain runs InitInstance, the message loop only if InitInstance reports
// success, then ExitInstance.
class CWinApp
{
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    static CWinApp* Current();

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // Commands that no window handled; ID_APP_EXIT closes the main window.
    virtual bool OnCommand(UINT id);
    int Run();

    HINSTANCE m_hInstance = nullptr;
    LPCWSTR m_lpCmdLine = L"";
    int m_nCmdShow = SW_SHOWNORMAL;
    CWnd* m_pMainWnd = nullptr;

private:
    int m_exitCode = 0;
};
