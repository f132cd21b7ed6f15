#pragma once
#include <windows.h>
#include <shellapi.h>
#include <cstddef>
#include <string>

constexpr UINT WM_TRAY_NOTIFY = WM_APP + 7;
constexpr UINT kTrayIconId = 0x42424242;

// The record layout that ends with the item GUID and has no balloon icon:
// 952 bytes in a 32-bit build, 968 in a 64-bit one.
constexpr DWORD kTrayRecordSize = offsetof(NOTIFYICONDATAW, guidItem) + sizeof(GUID);
static_assert(kTrayRecordSize == NOTIFYICONDATAW_V3_SIZE);
static_assert(kTrayRecordSize == (sizeof(void*) == 4 ? 952 : 968));

// The panel's icon in the notification area.
struct CTrayIcon
{
    CTrayIcon() = default;
    CTrayIcon(HWND owner, UINT id) : m_owner(owner), m_id(id) {}

    HWND m_owner = nullptr;
    UINT m_id = 0;
    // The shell's call; tests record instead.
    decltype(&::Shell_NotifyIconW) m_notify = &::Shell_NotifyIconW;

    BOOL Add(const wchar_t* text, HICON icon);
    // Adds the icon again as the last Add showed it, after the shell lost
    // every icon (Explorer restarted). Does nothing before an Add.
    BOOL AddAgain() const;
    // Does nothing before the owner is known.
    BOOL Remove() const;

    // The records handed to the shell, built afresh for every call.
    NOTIFYICONDATAW AddRecord(const wchar_t* text, HICON icon) const;
    NOTIFYICONDATAW RemoveRecord() const;

private:
    bool m_added = false;
    std::wstring m_tip;
    HICON m_icon = nullptr;
};
