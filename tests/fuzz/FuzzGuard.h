#pragma once
#include <windows.h>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

// Turns a crash or a hang during a fuzz run into a message that names the
// seed and the step, so that the run can be replayed; a hang ends the process.
class FuzzGuard
{
public:
    FuzzGuard(const char* run, uint64_t seed, DWORD hangMs);
    ~FuzzGuard();
    FuzzGuard(const FuzzGuard&) = delete;
    FuzzGuard& operator=(const FuzzGuard&) = delete;

    // Marks the start of a step; what names what it does.
    void Step(unsigned step, const char* what);

private:
    static LONG WINAPI OnCrash(EXCEPTION_POINTERS* info);
    void Watch();
    void Report(const char* why) const;

    const char* m_run;
    uint64_t m_seed;
    DWORD m_hangMs;
    std::atomic<unsigned> m_step{0};
    std::atomic<const char*> m_what{""};
    std::atomic<ULONGLONG> m_since{0};
    std::mutex m_mutex;
    std::condition_variable m_stop;
    bool m_stopping = false;
    LPTOP_LEVEL_EXCEPTION_FILTER m_previousFilter;
    std::thread m_watcher;
};
