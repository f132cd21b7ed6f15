#include "ProcessCounts.h"
#include <tlhelp32.h>
#include <winternl.h>
#include <cstdint>
#include <vector>

int ThreadCount(DWORD processId)
{
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Thread32First(snapshot, &entry); more;
         more = ::Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == processId;
    ::CloseHandle(snapshot);
    return count;
}

namespace
{
// The system-wide handle table, for where GetProcessHandleCount answers
// nothing (Wine).
int CountInHandleTable(DWORD processId)
{
    struct Entry
    {
        ULONG ownerProcess;
        BYTE objectType;
        BYTE flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    struct Table
    {
        ULONG count;
        Entry entries[1];
    };
    using Query = NTSTATUS(WINAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    const auto kSystemHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(16);
    const NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);
    std::vector<char> buffer(1 << 20);
    NTSTATUS status;
    while ((status = query(kSystemHandleInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size()), nullptr)) == kInfoLengthMismatch &&
           buffer.size() < (64u << 20))
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return -1;
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    int count = 0;
    for (ULONG i = 0; i < table->count; ++i)
        count += table->entries[i].ownerProcess == processId;
    return count;
}
} // namespace

int HandleCount(DWORD processId)
{
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    DWORD count = 0;
    const bool counted = process && ::GetProcessHandleCount(process, &count) && count > 0;
    if (process)
        ::CloseHandle(process);
    return counted ? static_cast<int>(count) : CountInHandleTable(processId);
}

namespace
{
int GuiResources(DWORD kind)
{
    ::SetLastError(0);
    const DWORD count = ::GetGuiResources(::GetCurrentProcess(), kind);
    return count == 0 && ::GetLastError() != 0 ? -1 : static_cast<int>(count);
}

// One entry of the GDI handle table that the PEB points to on Windows and on
// Wine alike (64-bit layout).
struct GdiHandleEntry
{
    uint64_t object;
    uint16_t processId;
    uint16_t count;
    uint16_t unique;
    uint8_t type; // 0: free
    uint8_t flags;
    uint64_t user;
};
static_assert(sizeof(GdiHandleEntry) == 24);

// GCC takes the read of the thread's own block for an out-of-bounds access.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
const GdiHandleEntry* GdiHandleTable()
{
#if defined(_WIN64)
    constexpr size_t kTableOffsetInPeb = 0xF8;
    const auto* peb = reinterpret_cast<const uint8_t*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    return peb ? *reinterpret_cast<const GdiHandleEntry* const*>(peb + kTableOffsetInPeb)
               : nullptr;
#else
    return nullptr;
#endif
}
#pragma GCC diagnostic pop

// The table may be shared by every process of the session: a probe object
// tells how it names this one.
int CountInGdiTable()
{
    constexpr size_t kEntries = 0x10000;
    const GdiHandleEntry* table = GdiHandleTable();
    HBRUSH probe = ::CreateSolidBrush(RGB(1, 2, 3));
    if (!table || !probe)
    {
        if (probe)
            ::DeleteObject(probe);
        return -1;
    }
    const uint16_t owner = table[reinterpret_cast<uintptr_t>(probe) & 0xFFFF].processId;
    int count = 0;
    for (size_t i = 0; i < kEntries; ++i)
        count += table[i].type != 0 && table[i].object != 0 && table[i].processId == owner;
    ::DeleteObject(probe);
    return count - 1; // not the probe
}

BOOL CALLBACK CountWindow(HWND, LPARAM counter)
{
    ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

BOOL CALLBACK CountOwnWindowTree(HWND window, LPARAM counter)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process == ::GetCurrentProcessId())
    {
        CountWindow(window, counter);
        // All descendants, not only the direct children.
        ::EnumChildWindows(window, &CountWindow, counter);
    }
    return TRUE;
}
} // namespace

int GdiObjectCount()
{
    const int counted = GuiResources(GR_GDIOBJECTS);
    return counted > 0 ? counted : CountInGdiTable();
}

int UserObjectCount()
{
    const int counted = GuiResources(GR_USEROBJECTS);
    if (counted > 0)
        return counted;
    int windows = 0;
    ::EnumWindows(&CountOwnWindowTree, reinterpret_cast<LPARAM>(&windows));
    return windows;
}
