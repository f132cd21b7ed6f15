#include "FuzzGuard.h"
#include "FuzzRandom.h"
#include <cstdio>

namespace
{
// The one guard whose run is in progress, for the crash filter.
std::atomic<FuzzGuard*> s_active{nullptr};
} // namespace

FuzzGuard::FuzzGuard(const char* run, uint64_t seed, DWORD hangMs)
    : m_run(run), m_seed(seed), m_hangMs(hangMs), m_since(::GetTickCount64()),
      m_previousFilter(::SetUnhandledExceptionFilter(&FuzzGuard::OnCrash))
{
    s_active = this;
    m_watcher = std::thread([this] { Watch(); });
}

FuzzGuard::~FuzzGuard()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_stop.notify_all();
    m_watcher.join();
    s_active = nullptr;
    ::SetUnhandledExceptionFilter(m_previousFilter);
}

void FuzzGuard::Step(unsigned step, const char* what)
{
    m_what = what;
    m_step = step;
    m_since = ::GetTickCount64();
}

void FuzzGuard::Report(const char* why) const
{
    std::fprintf(stderr, "\n%s: %s at step %u (%s); %s\n", m_run, why, m_step.load(), m_what.load(),
                 ReplayHint(m_seed).c_str());
    std::fflush(stderr);
}

LONG WINAPI FuzzGuard::OnCrash(EXCEPTION_POINTERS* info)
{
    if (FuzzGuard* guard = s_active)
    {
        char why[64];
        std::snprintf(why, sizeof why, "exception 0x%08lX",
                      static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
        guard->Report(why);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void FuzzGuard::Watch()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop.wait_for(lock, std::chrono::milliseconds(250), [this] { return m_stopping; }))
    {
        if (::GetTickCount64() - m_since > m_hangMs)
        {
            Report("no progress");
            // The stuck thread will not come back to fail the test itself.
            ::TerminateProcess(::GetCurrentProcess(), 3);
        }
    }
}
