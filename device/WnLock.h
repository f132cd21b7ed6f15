#pragma once
#include <windows.h>

// A slim reader/writer lock of the system, taken exclusively. Unlike the C++
// runtime's mutex here, it never makes a kernel object when contended, so a
// process's handles stay as they were. Meets BasicLockable, for std::lock_guard.
class WnLock
{
public:
    WnLock() = default;
    WnLock(const WnLock&) = delete;
    WnLock& operator=(const WnLock&) = delete;

    void lock() { ::AcquireSRWLockExclusive(&m_lock); }
    void unlock() { ::ReleaseSRWLockExclusive(&m_lock); }
    SRWLOCK* Native() { return &m_lock; }

private:
    SRWLOCK m_lock = SRWLOCK_INIT;
};
