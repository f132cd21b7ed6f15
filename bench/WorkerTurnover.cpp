// The panel's worker turnover without the panel: a worker waits on an event
// and sends a message to the window's thread; each reopen ends it and starts
// the next. Prints the growth of private bytes after the reopens, and returns
// it in KB, so that the bench can tell Wine's share from the panel's.
#include <windows.h>
#include <psapi.h>
#include <cstdio>
#include <cstdlib>

namespace
{
HWND window;
HANDLE event;
volatile bool stop;

long long PrivateKb()
{
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(::GetCurrentProcess(),
                           reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    return static_cast<long long>(memory.PrivateUsage ? memory.PrivateUsage
                                                      : memory.PagefileUsage) /
           1024;
}

DWORD WINAPI Worker(LPVOID)
{
    while (::WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0 && !stop)
        ::SendMessageW(window, WM_USER, 0, 0);
    return 0;
}

HANDLE Start()
{
    stop = false;
    HANDLE thread = ::CreateThread(nullptr, 0, &Worker, nullptr, 0, nullptr);
    ::SetEvent(event); // one send, as a notification would make
    ::Sleep(2);
    return thread;
}

void Stop(HANDLE thread)
{
    stop = true;
    ::SetEvent(event);
    while (::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1)
    {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageW(&msg);
    }
    ::CloseHandle(thread);
}
} // namespace

int main(int argc, char** argv)
{
    const int reopens = argc > 1 ? std::atoi(argv[1]) : 1000;
    window =
        ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE thread = Start();
    ::Sleep(100);
    const long long start = PrivateKb();
    for (int i = 0; i < reopens; ++i)
    {
        Stop(thread);
        thread = Start();
    }
    const long long growth = PrivateKb() - start;
    Stop(thread);
    std::printf("%d reopens: %+lld KB\n", reopens, growth);
    return growth < 0 ? 0 : static_cast<int>(growth);
}
