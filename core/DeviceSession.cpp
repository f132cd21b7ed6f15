#include "DeviceSession.h"
#include <utility>

namespace
{
constexpr unsigned int kAllNotificationCategories = 0xFFFFFFFF;
constexpr unsigned int kNotifySampleRate = 1;
constexpr unsigned int kNotifyVolume = 3;
constexpr unsigned int kNotifyMute = 4;

// Waits for a thread to end while taking the messages other threads send to
// this one: the worker may be inside its SendMessage to this thread.
void WaitForThreadEnd(HANDLE thread)
{
    while (::MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_SENDMESSAGE,
                                         MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0 + 1)
    {
        MSG msg;
        ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
} // namespace

UsbAudioStatus DeviceSession::Open()
{
    Close();

    if (const UsbAudioStatus status = m_api.EnumerateDevices(); status != 0)
        return status;
    if (m_api.GetDeviceCount() == 0)
        return kStatusNoDevice;
    UsbAudioDeviceHandle device = nullptr;
    if (const UsbAudioStatus status = m_api.OpenDeviceByIndex(m_deviceIndex, &device); status != 0)
        return status;
    if (!device)
        return kStatusNoDevice;
    m_hDevice = device;

    m_deviceProperties = {};
    m_api.GetDeviceProperties(m_hDevice, &m_deviceProperties);
    return 0;
}

void DeviceSession::Close()
{
    StopNotificationThread();
    if (m_hDevice)
    {
        m_api.CloseDevice(m_hDevice);
        m_hDevice = nullptr;
    }
}

void DeviceSession::Watch(std::function<void()> wake)
{
    m_wake = std::move(wake);
    m_api.RegisterDeviceNotification(m_hDevice, kAllNotificationCategories, m_notifyEvent.Get(), 0);
    m_stopNotifyThread = 0;
    m_hNotifyThread.Reset(::CreateThread(nullptr, 0, &NotificationThread, this, 0, nullptr));
}

void DeviceSession::StopNotificationThread()
{
    m_stopNotifyThread = 1;
    m_notifyEvent.Set();
    // The flag stays set and the event stays in place until the worker has
    // seen them and ended.
    if (m_hNotifyThread.IsValid())
    {
        WaitForThreadEnd(m_hNotifyThread.Get());
        m_hNotifyThread.Reset();
    }
}

DWORD WINAPI DeviceSession::NotificationThread(LPVOID parameter)
{
    auto* session = static_cast<DeviceSession*>(parameter);
    // Neither changes while this worker runs: both are replaced only after it ended.
    const HANDLE event = session->m_notifyEvent.Get();
    while (::WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0 && !session->m_stopNotifyThread)
        session->m_wake();
    return 0;
}

DeviceSession::Changes DeviceSession::ReadNotifications(
    std::chrono::steady_clock::time_point until)
{
    Changes changes;
    for (;;)
    {
        unsigned int type = 0;
        unsigned char data[64];
        unsigned int length = 0;
        if (m_api.ReadDeviceNotification(m_hDevice, &type, data, sizeof data, &length) != 0)
            return changes;
        changes.rate |= type == kNotifySampleRate;
        changes.mixer |= type == kNotifyVolume || type == kNotifyMute;
        if (std::chrono::steady_clock::now() >= until)
        {
            changes.more = true;
            return changes;
        }
    }
}
