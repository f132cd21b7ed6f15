#include "WnHandle.h"

void WnHandle::Close()
{
    if (m_handle && !::CloseHandle(m_handle))
        (void)::GetLastError();
    m_handle = nullptr;
}

DWORD WnEvent::Create()
{
    Close();
    m_handle = ::CreateEventW(nullptr, m_manualReset, FALSE, nullptr);
    return m_handle ? 0 : ::GetLastError();
}

void WnEvent::Set() const
{
    if (!m_handle || !::SetEvent(m_handle))
        (void)::GetLastError();
}
