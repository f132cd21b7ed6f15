#pragma once
#include "../device/DeviceRecords.h"
#include "../device/HidApi.h"
#include "../device/UsbAudioApi.h"
#include "../device/WnHandle.h"
#include <chrono>
#include <cstdint>

// The open device and its notifications, without any window or thread of its
// own: the panel's device thread and the command line both drive the device
// through one of these.
class DeviceSession
{
public:
    // Which kinds of state the notifications read by one wake have changed.
    struct Changes
    {
        bool rate = false;
        bool mixer = false;
        // Reading stopped at its time limit: more may be queued.
        bool more = false;
    };

    DeviceSession(const UsbAudioApi& api, const HidApi& hid) : m_api(api), m_hid(hid) {}
    ~DeviceSession() { Close(); }
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Closes any device, then opens the first one: 0 or the driver's status.
    UsbAudioStatus Open();
    void Close();
    bool IsOpen() const { return m_hDevice != nullptr; }

    // Creates the notification event anew: 0 or the error.
    DWORD CreateNotifyEvent() { return m_notifyEvent.Create(); }
    // Has the driver signal the event at every notification: 0 or its status.
    UsbAudioStatus Watch();
    // Reads the queued notifications until the driver runs dry or the time
    // is up.
    Changes ReadNotifications(std::chrono::steady_clock::time_point until);

    // The rate report to the device's HID function; always 0: it is a courtesy.
    UsbAudioStatus SendHidRateReport(bool firstFlag, bool secondFlag);
    UsbAudioStatus OpenHidDevice(uint16_t vendorId, uint16_t productId);

    const UsbAudioApi& Api() const { return m_api; }
    UsbAudioDeviceHandle Device() const { return m_hDevice; }

    UINT m_deviceIndex = 0;
    UsbAudioDeviceHandle m_hDevice = nullptr;
    HANDLE m_hHidDevice = INVALID_HANDLE_VALUE;
    DeviceProperties m_deviceProperties{};
    WnAutoResetEvent m_notifyEvent;

private:
    const UsbAudioApi& m_api;
    const HidApi& m_hid;
};
