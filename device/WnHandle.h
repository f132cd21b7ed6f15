#pragma once
#include <windows.h>

// Owns one operating-system handle (null when empty) and closes it.
class WnHandle
{
public:
    WnHandle() = default;
    explicit WnHandle(HANDLE handle) : m_handle(handle) {}
    virtual ~WnHandle() { Close(); }
    WnHandle(const WnHandle&) = delete;
    WnHandle& operator=(const WnHandle&) = delete;

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != nullptr; }
    void Reset(HANDLE handle = nullptr)
    {
        Close();
        m_handle = handle;
    }

protected:
    void Close();
    HANDLE m_handle = nullptr;
};

// An unnamed event with default security.
class WnEvent : public WnHandle
{
public:
    explicit WnEvent(BOOL manualReset) : m_manualReset(manualReset) {}

    // Replaces any held event with a new, non-signalled one; 0 or the last error.
    DWORD Create();
    void Set() const;

private:
    BOOL m_manualReset;
};

class WnAutoResetEvent : public WnEvent
{
public:
    WnAutoResetEvent() : WnEvent(FALSE) {}
};
