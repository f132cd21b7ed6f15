// Run by the installer before it removes or replaces GUI_KV58.exe:
//   ClosePanel.exe "C:\...\GUI_KV58.exe"
// Asks the panels of this session that run from that file to quit, the way
// the tray's Exit does ("-exitall"), and waits until they have ended, so
// that the file can go without a restart. "-exitall" itself does not wait.
// Gives up after 15 seconds.
// Always ends with 0: a panel that stays only makes the installer replace
// the file at the next restart.
#include "device/WnHandle.h"
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <memory>
#include <string>
#include <vector>

namespace
{
constexpr DWORD kExitAllTimeoutMs = 5000;
constexpr DWORD kPanelsEndTimeoutMs = 15000;
constexpr DWORD kRetryAfterMs = 3000;

std::wstring FullPath(const std::wstring& path)
{
    wchar_t full[MAX_PATH];
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

bool SamePath(const std::wstring& a, const std::wstring& b)
{
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// Handles (to wait on) of this session's processes that run the program.
std::vector<std::unique_ptr<WnHandle>> ProcessesRunning(const std::wstring& program)
{
    std::vector<std::unique_ptr<WnHandle>> found;
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    HANDLE list = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (list == INVALID_HANDLE_VALUE)
        return found;
    WnHandle snapshot(list);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry);
         more && found.size() < MAXIMUM_WAIT_OBJECTS;
         more = ::Process32NextW(snapshot.Get(), &entry))
    {
        DWORD processSession = 0;
        if (!::ProcessIdToSessionId(entry.th32ProcessID, &processSession) ||
            processSession != session)
            continue;
        auto process = std::make_unique<WnHandle>(::OpenProcess(
            PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process->IsValid())
            continue;
        wchar_t image[MAX_PATH];
        DWORD length = MAX_PATH;
        if (::QueryFullProcessImageNameW(process->Get(), 0, image, &length) &&
            SamePath(std::wstring(image, length), program))
            found.push_back(std::move(process));
    }
    return found;
}

void RunToEnd(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs)
{
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &info))
        return;
    WnHandle thread(info.hThread);
    WnHandle process(info.hProcess);
    ::WaitForSingleObject(process.Get(), timeoutMs);
}
} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    int argc = 0;
    std::unique_ptr<LPWSTR, decltype(&::LocalFree)> argv(
        ::CommandLineToArgvW(::GetCommandLineW(), &argc), &::LocalFree);
    if (!argv || argc != 2)
        return 0;
    const std::wstring program = FullPath(argv.get()[1]);

    const auto panels = ProcessesRunning(program);
    if (panels.empty())
        return 0;
    std::vector<HANDLE> handles;
    for (const auto& panel : panels)
        handles.push_back(panel->Get());
    // Asked again while any is left: a panel that was still starting had no
    // window to receive the first request.
    const ULONGLONG deadline = ::GetTickCount64() + kPanelsEndTimeoutMs;
    do
    {
        RunToEnd(program, L"-exitall", kExitAllTimeoutMs);
        if (::WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE,
                                     kRetryAfterMs) != WAIT_TIMEOUT)
            break;
    } while (::GetTickCount64() < deadline);
    return 0;
}
