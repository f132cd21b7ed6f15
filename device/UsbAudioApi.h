#pragma once
#include "tusbaudioapi.h"

// The driver interface as a table of functions: loaded from the driver's
// library at run time, or filled by tests with a fake.
struct UsbAudioApi
{
    decltype(&TUSBAUDIO_EnumerateDevices) EnumerateDevices;
    decltype(&TUSBAUDIO_GetDeviceCount) GetDeviceCount;
    decltype(&TUSBAUDIO_OpenDeviceByIndex) OpenDeviceByIndex;
    decltype(&TUSBAUDIO_CloseDevice) CloseDevice;
    decltype(&TUSBAUDIO_GetDeviceProperties) GetDeviceProperties;
    decltype(&TUSBAUDIO_RegisterPnpNotification) RegisterPnpNotification;
    decltype(&TUSBAUDIO_RegisterDeviceNotification) RegisterDeviceNotification;
    decltype(&TUSBAUDIO_ReadDeviceNotification) ReadDeviceNotification;
    decltype(&TUSBAUDIO_GetSupportedSampleRates) GetSupportedSampleRates;
    decltype(&TUSBAUDIO_GetCurrentSampleRate) GetCurrentSampleRate;
    decltype(&TUSBAUDIO_SetSampleRate) SetSampleRate;
    decltype(&TUSBAUDIO_GetUsbStreamingMode) GetUsbStreamingMode;
    decltype(&TUSBAUDIO_SetUsbStreamingMode) SetUsbStreamingMode;
    decltype(&TUSBAUDIO_GetASIOBufferSize) GetASIOBufferSize;
    decltype(&TUSBAUDIO_SetASIOBufferSize) SetASIOBufferSize;
    decltype(&TUSBAUDIO_GetMinimumASIOBufferSize) GetMinimumASIOBufferSize;
    decltype(&TUSBAUDIO_GetChannelProperties) GetChannelProperties;
    decltype(&TUSBAUDIO_AudioControlRequestGet) AudioControlRequestGet;
    decltype(&TUSBAUDIO_AudioControlRequestSet) AudioControlRequestSet;
    decltype(&TUSBAUDIO_StatusCodeStringW) StatusCodeStringW;
};

// Loads the driver library. Every entry of api() is callable: a function the
// library lacks, or the whole library missing, answers as a driver without a
// device would. The library stays loaded until the process ends: the driver
// offers no call that withdraws a Plug-and-Play registration, which lives as
// long as the process.
class UsbAudioLibrary
{
public:
    UsbAudioLibrary();
    UsbAudioLibrary(const UsbAudioLibrary&) = delete;
    UsbAudioLibrary& operator=(const UsbAudioLibrary&) = delete;

    const UsbAudioApi& api() const { return m_api; }
    bool IsComplete() const { return m_complete; }

private:
    UsbAudioApi m_api{};
    bool m_complete = false;
};
