#include "PanelWindow.h"

HWND FindRunningPanel(const std::wstring& title)
{
    HWND window = nullptr;
    while ((window = ::FindWindowExW(nullptr, window, nullptr, title.c_str())) != nullptr)
        if (!::GetWindow(window, GW_OWNER))
            return window;
    return nullptr;
}
