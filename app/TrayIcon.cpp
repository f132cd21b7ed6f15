#include "TrayIcon.h"
#include "../device/SystemLibrary.h"
#include <cstring>

namespace
{
// Zero-filled but for the fields that name the icon.
NOTIFYICONDATAW IconRecord(HWND owner, UINT id)
{
    NOTIFYICONDATAW record;
    std::memset(&record, 0, sizeof record);
    record.cbSize = kTrayRecordSize;
    record.hWnd = owner;
    record.uID = id;
    return record;
}

void SetTip(NOTIFYICONDATAW& record, const wchar_t* text)
{
    // A longer text is cut to what the field holds, terminator included.
    if (text)
        ::lstrcpynW(record.szTip, text, ARRAYSIZE(record.szTip));
}
} // namespace

NOTIFYICONDATAW CTrayIcon::AddRecord(const wchar_t* text, HICON icon) const
{
    NOTIFYICONDATAW record = IconRecord(m_owner, m_id);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_TRAY_NOTIFY;
    record.hIcon = icon;
    SetTip(record, text);
    return record;
}

NOTIFYICONDATAW CTrayIcon::RemoveRecord() const
{
    return IconRecord(m_owner, m_id);
}

BOOL WINAPI NotifyShell(DWORD message, PNOTIFYICONDATAW record)
{
    static const CSystemLibrary shell32(L"shell32.dll");
    static const auto notify = shell32.Get<decltype(&::Shell_NotifyIconW)>("Shell_NotifyIconW");
    return notify ? notify(message, record) : FALSE;
}

CShellCall::CShellCall(decltype(&::Shell_NotifyIconW) notify, DWORD message,
                       const NOTIFYICONDATAW& record)
    : m_notify(notify), m_message(message), m_record(record)
{
    m_thread.Reset(::CreateThread(nullptr, 0, &CShellCall::Run, this, 0, nullptr));
    if (!m_thread.IsValid())
        Run(this);
}

CShellCall::~CShellCall()
{
    if (!m_thread.IsValid())
        return;
    HANDLE thread = m_thread.Get();
    while (::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) ==
           WAIT_OBJECT_0 + 1)
    {
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

DWORD WINAPI CShellCall::Run(LPVOID self)
{
    auto* call = static_cast<CShellCall*>(self);
    call->m_notify(call->m_message, &call->m_record);
    return 0;
}

CShellCall CTrayIcon::AddAside(const wchar_t* text, HICON icon)
{
    m_added = true;
    m_title = text ? text : L"";
    m_tip = m_title;
    m_icon = icon;
    return CShellCall(m_notify, NIM_ADD, AddRecord(m_tip.c_str(), m_icon));
}

BOOL CTrayIcon::AddAgain() const
{
    if (!m_added || m_removed)
        return FALSE;
    NOTIFYICONDATAW record = AddRecord(m_tip.c_str(), m_icon);
    return m_notify(NIM_ADD, &record);
}

BOOL CTrayIcon::ShowStatus(const std::wstring& line)
{
    const std::wstring tip = m_title + L"\n" + line;
    if (!m_added || m_removed || tip == m_tip)
        return FALSE;
    m_tip = tip;
    NOTIFYICONDATAW record = IconRecord(m_owner, m_id);
    record.uFlags = NIF_TIP;
    SetTip(record, m_tip.c_str());
    return m_notify(NIM_MODIFY, &record);
}

BOOL CTrayIcon::Remove()
{
    if (!m_owner || m_removed)
        return FALSE;
    m_removed = true;
    NOTIFYICONDATAW record = RemoveRecord();
    return m_notify(NIM_DELETE, &record);
}
