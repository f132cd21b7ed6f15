#pragma once
#include "../device/WnHandle.h"
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

// Shell_NotifyIconW, with shell32.dll loaded at the first call rather than
// with the program; FALSE where it is missing.
BOOL WINAPI NotifyShell(DWORD message, PNOTIFYICONDATAW record);

// One call to the shell made on a thread of its own: the shell may take its
// time over a new icon while the caller goes on. Made at once where no thread
// can be had.
class CShellCall
{
public:
    CShellCall(decltype(&::Shell_NotifyIconW) notify, DWORD message, const NOTIFYICONDATAW& record);
    // Waits for the call, answering meanwhile what other threads send to
    // the caller's windows, so that the shell can never wait on it.
    ~CShellCall();
    CShellCall(const CShellCall&) = delete;
    CShellCall& operator=(const CShellCall&) = delete;

private:
    static DWORD WINAPI Run(LPVOID self);
    const decltype(&::Shell_NotifyIconW) m_notify;
    const DWORD m_message;
    NOTIFYICONDATAW m_record;
    WnHandle m_thread;
};

// The panel's icon in the notification area.
struct CTrayIcon
{
    CTrayIcon() = default;
    CTrayIcon(HWND owner, UINT id) : m_owner(owner), m_id(id) {}

    HWND m_owner = nullptr;
    UINT m_id = 0;
    // The shell's call (shell32.dll is loaded at its first use); tests record instead.
    decltype(&::Shell_NotifyIconW) m_notify = &NotifyShell;

    // Shows the icon, the shell's call made aside; it is done when the result goes.
    [[nodiscard]] CShellCall AddAside(const wchar_t* text, HICON icon);
    // Adds the icon again as it was last shown, after the shell lost every
    // icon (Explorer restarted). Does nothing before AddAside or after Remove.
    BOOL AddAgain() const;
    // The tip becomes AddAside's text with line under it; the shell is not
    // called when the tip stays as it is.
    BOOL ShowStatus(const std::wstring& line);
    // Does nothing before the owner is known, nor a second time.
    BOOL Remove();

    // The records handed to the shell, built afresh for every call.
    NOTIFYICONDATAW AddRecord(const wchar_t* text, HICON icon) const;
    NOTIFYICONDATAW RemoveRecord() const;

private:
    bool m_added = false;
    bool m_removed = false;
    std::wstring m_title;
    std::wstring m_tip;
    HICON m_icon = nullptr;
};
