#pragma once
#include "../framework/WinApp.h"
#include <cstdint>

class CGUI_KV58App : public CWinApp
{
public:
    BOOL InitInstance() override;
    int ExitInstance() override;

    ULONG_PTR m_gdiplusToken = 0;
    HANDLE m_hMutex = nullptr;
};
