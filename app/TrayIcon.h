#pragma once
#include <windows.h>

constexpr UINT WM_TRAY_NOTIFY = WM_APP + 7;

// The panel's icon in the notification area.
struct CTrayIcon
{
    HWND m_owner = nullptr;
    UINT m_id = 0;

    BOOL Add(const wchar_t* text, HICON icon) const;
    BOOL Remove() const;
};
