#include "ShellProbes.h"
#include "tests/support/SimulatorTool.h"
#include "tests/support/PanelProcess.h"
#include <commctrl.h>
#include <shellapi.h>

namespace
{
struct ProcessSearch
{
    DWORD processId;
    const wchar_t* className;
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK MatchProcessWindow(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<ProcessSearch*>(param);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(window, &processId);
    if (processId != search->processId || ClassName(window) != search->className)
        return TRUE;
    if (search->visibleOnly && !::IsWindowVisible(window))
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindWindowOf(DWORD processId, const wchar_t* className, bool visibleOnly)
{
    ProcessSearch search{processId, className, visibleOnly, nullptr};
    ::EnumWindows(&MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Memory in another process, freed when the object goes.
class RemoteMemory
{
public:
    RemoteMemory(HANDLE process, SIZE_T size)
        : m_process(process),
          m_address(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE))
    {
    }
    ~RemoteMemory()
    {
        if (m_address)
            ::VirtualFreeEx(m_process, m_address, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    char* Address() const { return static_cast<char*>(m_address); }

private:
    HANDLE m_process;
    void* m_address;
};

class OwnedHandle
{
public:
    explicit OwnedHandle(HANDLE handle) : m_handle(handle) {}
    ~OwnedHandle()
    {
        if (m_handle)
            ::CloseHandle(m_handle);
    }
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

// A tool of a tooltip control: its text, and the window it covers.
struct TrayTool
{
    std::wstring text;
    HWND window;
};

// Reads every tool of a tooltip control in another process.
void ReadTools(HWND tooltip, HANDLE process, std::vector<TrayTool>& tools)
{
    constexpr size_t kTextLength = 1024;
    RemoteMemory remote(process, sizeof(TTTOOLINFOW) + kTextLength * sizeof(wchar_t));
    if (!remote.Address())
        return;
    wchar_t* remoteText = reinterpret_cast<wchar_t*>(remote.Address() + sizeof(TTTOOLINFOW));
    const auto count = ::SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i)
    {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.lpszText = remoteText;
        wchar_t text[kTextLength] = L"";
        if (!::WriteProcessMemory(process, remote.Address(), &tool, sizeof tool, nullptr) ||
            !::WriteProcessMemory(process, remoteText, text, sizeof text, nullptr) ||
            !::SendMessageW(tooltip, TTM_ENUMTOOLSW, static_cast<WPARAM>(i),
                            reinterpret_cast<LPARAM>(remote.Address())) ||
            !::ReadProcessMemory(process, remote.Address(), &tool, sizeof tool, nullptr) ||
            !::ReadProcessMemory(process, remoteText, text, sizeof text - sizeof(wchar_t), nullptr))
            continue;
        // The tray's tools name the icon's window itself.
        tools.push_back(
            {text, (tool.uFlags & TTF_IDISHWND) ? reinterpret_cast<HWND>(tool.uId) : nullptr});
    }
}

struct TooltipSearch
{
    DWORD processId;
    HANDLE process;
    std::vector<TrayTool> tools;
};

// The tools of every tooltip control of the process that keeps the tray.
std::vector<TrayTool> TrayTools()
{
    TooltipSearch search{};
    HWND tray = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!tray || !::GetWindowThreadProcessId(tray, &search.processId))
        return {};
    OwnedHandle process(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                      FALSE, search.processId));
    if (!process.Get())
        return {};
    search.process = process.Get();
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL
        {
            auto* search = reinterpret_cast<TooltipSearch*>(param);
            DWORD processId = 0;
            ::GetWindowThreadProcessId(window, &processId);
            if (processId == search->processId && ClassName(window) == TOOLTIPS_CLASSW)
                ReadTools(window, search->process, search->tools);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.tools;
}
} // namespace

bool TrayIconExists(HWND owner, UINT id)
{
    NOTIFYICONDATAW record{};
    record.cbSize = sizeof record;
    record.hWnd = owner;
    record.uID = id;
    return ::Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

std::vector<std::wstring> TrayTooltips()
{
    std::vector<std::wstring> texts;
    for (const TrayTool& tool : TrayTools())
        texts.push_back(tool.text);
    return texts;
}

HWND TrayIconWindow(const std::wstring& title)
{
    for (const TrayTool& tool : TrayTools())
        if (tool.text.substr(0, tool.text.find(L'\n')) == title && tool.window &&
            ::IsWindowVisible(tool.window))
            return tool.window;
    return nullptr;
}

HWND FindPopupMenu(DWORD processId)
{
    return FindWindowOf(processId, L"#32768", true);
}

HWND FindDialogOf(DWORD processId)
{
    return FindWindowOf(processId, L"#32770", false);
}

HWND FindOwnedPopup(HWND owner)
{
    struct Search
    {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL
        {
            auto* search = reinterpret_cast<Search*>(param);
            if (::GetWindow(window, GW_OWNER) != search->owner || !::IsWindowVisible(window) ||
                ClassName(window) != L"#32770")
                return TRUE;
            search->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[256] = L"";
    const int length = ::GetWindowTextW(window, text, 256);
    return std::wstring(text, static_cast<size_t>(length > 0 ? length : 0));
}

std::wstring ClassName(HWND window)
{
    wchar_t name[64] = L"";
    const int length = ::GetClassNameW(window, name, 64);
    return std::wstring(name, static_cast<size_t>(length > 0 ? length : 0));
}

HWND FocusOf(HWND window)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

bool RunSimulator(const std::wstring& arguments)
{
    return RunSim(arguments).exitCode == 0;
}
