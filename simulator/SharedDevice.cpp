#include "SharedDevice.h"
#include "DeviceModel.h"
#include <winternl.h>
#include <string>

namespace
{
constexpr uint32_t kMagic = 0x3835564B; // "KV58"
constexpr uint32_t kLayoutVersion = 4;
constexpr DWORD kLockTimeoutMs = 10000;
const wchar_t kLockName[] = L"Local\\KV58Simulator.Lock";
const wchar_t kStateFileName[] = L"KV58Simulator.state";

// The moment the system (under Wine: its server) started; it tells one
// session from the next.
int64_t SessionStamp()
{
    struct TimeOfDay
    {
        LARGE_INTEGER bootTime;
        LARGE_INTEGER currentTime;
        LARGE_INTEGER timeZoneBias;
        ULONG timeZoneId;
        ULONG reserved;
        ULONGLONG bootTimeBias;
        ULONGLONG sleepTimeBias;
    } timeOfDay{};
    const auto kSystemTimeOfDayInformation = static_cast<SYSTEM_INFORMATION_CLASS>(3);
    if (::NtQuerySystemInformation(kSystemTimeOfDayInformation, &timeOfDay, sizeof timeOfDay,
                                   nullptr) != 0)
        return 0;
    return timeOfDay.bootTime.QuadPart;
}

std::wstring StateFilePath()
{
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH)
        return kStateFileName;
    return std::wstring(folder, length) + kStateFileName;
}
} // namespace

namespace sim
{
SharedDevice::SharedDevice()
{
    m_lock = ::CreateMutexW(nullptr, FALSE, kLockName);
    m_file = ::CreateFileW(StateFilePath().c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!m_lock || m_file == INVALID_HANDLE_VALUE)
        return;
    m_mapping =
        ::CreateFileMappingW(m_file, nullptr, PAGE_READWRITE, 0, sizeof(DeviceState), nullptr);
    if (m_mapping)
        m_state = static_cast<DeviceState*>(
            ::MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(DeviceState)));
}

SharedDevice::~SharedDevice()
{
    if (m_state)
        ::UnmapViewOfFile(m_state);
    if (m_mapping)
        ::CloseHandle(m_mapping);
    if (m_file != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_file);
    if (m_lock)
        ::CloseHandle(m_lock);
}

bool SharedDevice::Acquire()
{
    if (!m_state)
        return false;
    // An owner that died while holding the lock leaves it abandoned, not lost.
    const DWORD waited = ::WaitForSingleObject(m_lock, kLockTimeoutMs);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED)
        return false;
    const int64_t session = SessionStamp();
    if (m_state->magic != kMagic || m_state->layoutVersion != kLayoutVersion ||
        m_state->session != session)
    {
        InitialiseState(*m_state);
        m_state->magic = kMagic;
        m_state->layoutVersion = kLayoutVersion;
        m_state->session = session;
    }
    return true;
}

void SharedDevice::Release()
{
    ::ReleaseMutex(m_lock);
}
} // namespace sim
