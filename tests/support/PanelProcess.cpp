#include "PanelProcess.h"
#include <algorithm>
#include <tlhelp32.h>
#include <utility>

const wchar_t kPanelTitle[] = L"Halvix HV10 ";

std::wstring BinaryPath(const wchar_t* fileName)
{
    wchar_t self[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    path.resize(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty())
        commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         nullptr, &startup, &info))
    {
        ::CloseHandle(info.hThread);
        m_process = info.hProcess;
        m_id = info.dwProcessId;
    }
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : m_process(other.m_process), m_id(other.m_id)
{
    other.m_process = nullptr;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept
{
    std::swap(m_process, other.m_process);
    std::swap(m_id, other.m_id);
    return *this;
}

ChildProcess::~ChildProcess()
{
    if (!m_process)
        return;
    if (IsRunning())
    {
        ::TerminateProcess(m_process, 1);
        ::WaitForSingleObject(m_process, 5000);
    }
    ::CloseHandle(m_process);
}

bool ChildProcess::WaitExit(DWORD timeoutMs) const
{
    return m_process && ::WaitForSingleObject(m_process, timeoutMs) == WAIT_OBJECT_0;
}

ChildProcess StartPanel(const std::wstring& arguments)
{
    return ChildProcess(BinaryPath(L"GUI_KV58.exe"), arguments);
}

std::vector<HWND> PanelWindows()
{
    std::vector<HWND> found;
    ::EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL
        {
            wchar_t title[64];
            int length = ::GetWindowTextW(hwnd, title, 64);
            if (std::wstring(title, static_cast<size_t>(length)) == kPanelTitle)
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs)
{
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (!condition())
    {
        if (::GetTickCount64() >= end)
            return false;
        ::Sleep(10);
    }
    return true;
}

HWND WaitForPanelWindow(DWORD timeoutMs)
{
    HWND panel = nullptr;
    WaitFor(
        [&]
        {
            panel = ::FindWindowW(L"#32770", kPanelTitle);
            return panel != nullptr;
        },
        timeoutMs);
    return panel;
}

void EndAllPanels()
{
    // By process, not by window: a panel that is still ending, or one that
    // never got its window, would otherwise hold the single-instance lock.
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot, &entry); more;
         more = ::Process32NextW(snapshot, &entry))
    {
        if (_wcsicmp(entry.szExeFile, L"GUI_KV58.exe") != 0)
            continue;
        if (HANDLE process =
                ::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID))
        {
            ::TerminateProcess(process, 1);
            ::WaitForSingleObject(process, 5000);
            ::CloseHandle(process);
        }
    }
    ::CloseHandle(snapshot);
}

std::wstring RemoteWindowText(HWND window)
{
    wchar_t text[512] = L"";
    DWORD_PTR length = 0;
    if (!::SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text),
                               SMTO_ABORTIFHUNG, 2000, &length))
        return L"";
    return std::wstring(text, std::min<DWORD_PTR>(length, 511));
}

bool ChooseItem(HWND panel, int id, DWORD_PTR value)
{
    HWND box = ::GetDlgItem(panel, id);
    const auto count = ::SendMessageW(box, CB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index)
        if (static_cast<DWORD_PTR>(::SendMessageW(box, CB_GETITEMDATA, index, 0)) == value)
        {
            ::SendMessageW(box, CB_SETCURSEL, index, 0);
            return ::PostMessageW(panel, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                                  reinterpret_cast<LPARAM>(box));
        }
    return false;
}
