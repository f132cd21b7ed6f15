#include "WinApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR cmdLine, int cmdShow)
{
    CWinApp* app = CWinApp::Current();
    if (!app)
        return 1;
    app->m_hInstance = instance;
    app->m_lpCmdLine = cmdLine;
    app->m_nCmdShow = cmdShow;
    if (app->InitInstance())
        app->Run();
    return app->ExitInstance();
}
