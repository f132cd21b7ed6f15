#include "DeviceSession.h"

namespace
{
constexpr unsigned int kAllNotificationCategories = 0xFFFFFFFF;
constexpr unsigned int kNotifySampleRate = 1;
constexpr unsigned int kNotifyVolume = 3;
constexpr unsigned int kNotifyMute = 4;
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
    if (m_hDevice)
    {
        m_api.CloseDevice(m_hDevice);
        m_hDevice = nullptr;
    }
}

UsbAudioStatus DeviceSession::Watch()
{
    return m_api.RegisterDeviceNotification(m_hDevice, kAllNotificationCategories,
                                            m_notifyEvent.Get(), 0);
}

DeviceSession::Changes DeviceSession::ReadNotifications(std::chrono::steady_clock::time_point until)
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
