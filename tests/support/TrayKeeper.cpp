#include "TrayKeeper.h"
#include <shellapi.h>

namespace
{
NOTIFYICONDATAW Record(HWND window)
{
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = window;
    record.uID = 1;
    return record;
}
} // namespace

TrayKeeper::TrayKeeper()
    : m_window(::CreateWindowW(L"Static", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr))
{
    NOTIFYICONDATAW record = Record(m_window);
    record.uFlags = NIF_ICON | NIF_TIP;
    record.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(record.szTip, L"Test tray keeper", ARRAYSIZE(record.szTip));
    ::Shell_NotifyIconW(NIM_ADD, &record);
}

TrayKeeper::~TrayKeeper()
{
    NOTIFYICONDATAW record = Record(m_window);
    ::Shell_NotifyIconW(NIM_DELETE, &record);
    ::DestroyWindow(m_window);
}
