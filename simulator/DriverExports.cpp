// The simulated driver's interface: every call is logged, may be failed on
// request, and works on the state shared by the whole session.
#define TUSBAUDIO_API
#include "../device/tusbaudioapi.h"
#include "Connections.h"
#include "DeviceModel.h"
#include "SharedDevice.h"
#include <cstdarg>
#include <cstdio>
#include <string>

namespace
{
using namespace sim;

constexpr uint32_t kNotifySampleRate = 1;
constexpr uint32_t kNotifyVolume = 3;
constexpr uint32_t kNotifyMute = 4;
constexpr unsigned char kMuteSelector = 1;
constexpr unsigned char kVolumeSelector = 2;

// One view of the state per process that loads the driver.
SharedDevice& Device()
{
    static SharedDevice device;
    return device;
}

std::string Format(const char* format, ...)
{
    char buffer[kLogLineLength];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string Hex(const void* data, unsigned int length)
{
    if (!data)
        return "null";
    std::string text;
    for (unsigned int i = 0; i < length; ++i)
    {
        if (text.size() >= 64)
            return text + "...";
        text += Format("%02x", static_cast<const uint8_t*>(data)[i]);
    }
    return text;
}

// Logs the call, applies a fault set for the function, else runs it.
template <typename Body>
UsbAudioStatus Call(const std::string& line, const char* function, Body body)
{
    UsbAudioStatus status = kStatusSimulatorUnavailable;
    Device().WithState(
        [&](DeviceState& state)
        {
            AppendLog(state, line);
            if (!TakeFault(state, function, &status))
                status = body(state);
        });
    return status;
}

// The same for a call on an open device.
template <typename Body>
UsbAudioStatus DeviceCall(const std::string& line, const char* function,
                          UsbAudioDeviceHandle device, Body body)
{
    return Call(line, function,
                [&](DeviceState& state) -> UsbAudioStatus
                {
                    OpenHandle* handle = FindHandle(state, device);
                    return handle ? body(state, *handle) : kStatusInvalidHandle;
                });
}
// How long a control request takes, faults included: a stalled device
// answers late whatever it answers.
void StallControlRequest()
{
    uint32_t ms = 0;
    Device().WithState([&](DeviceState& state) { ms = state.controlRequestMs; });
    // Outside the lock: the stall holds the caller, not the other processes.
    if (ms != 0)
        ::Sleep(ms);
}
} // namespace

extern "C"
{

    UsbAudioStatus WINAPI TUSBAUDIO_EnumerateDevices(void)
    {
        return Call("EnumerateDevices()", "EnumerateDevices", [](DeviceState&) { return 0u; });
    }

    unsigned int WINAPI TUSBAUDIO_GetDeviceCount(void)
    {
        // A fault here makes the driver see no device.
        unsigned int count = 0;
        Call("GetDeviceCount()", "GetDeviceCount",
             [&](DeviceState& state)
             {
                 count = state.devices;
                 return 0u;
             });
        return count;
    }

    UsbAudioStatus WINAPI TUSBAUDIO_OpenDeviceByIndex(unsigned int deviceIndex,
                                                      UsbAudioDeviceHandle* device)
    {
        return Call(Format("OpenDeviceByIndex(%u)", deviceIndex), "OpenDeviceByIndex",
                    [&](DeviceState& state) {
                        return device ? OpenDeviceHandle(state, deviceIndex, device)
                                      : kStatusInvalidParameter;
                    });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_CloseDevice(UsbAudioDeviceHandle device)
    {
        return DeviceCall(Format("CloseDevice(%s)", device ? "device" : "null"), "CloseDevice",
                          device,
                          [](DeviceState&, OpenHandle& handle)
                          {
                              CloseDeviceHandle(handle);
                              return 0u;
                          });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_GetDeviceProperties(UsbAudioDeviceHandle device,
                                                        void* properties)
    {
        return DeviceCall("GetDeviceProperties()", "GetDeviceProperties", device,
                          [&](DeviceState&, OpenHandle&)
                          {
                              if (!properties)
                                  return kStatusInvalidParameter;
                              auto* record = static_cast<DeviceProperties*>(properties);
                              *record = {};
                              record->usbVendorId = 0x152A;
                              record->usbProductId = 0x8758;
                              return 0u;
                          });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_RegisterPnpNotification(HANDLE, HANDLE, HWND window,
                                                            UINT message, unsigned int flags)
    {
        return Call(Format("RegisterPnpNotification(0x%x,%u)", message, flags),
                    "RegisterPnpNotification",
                    [&](DeviceState& state)
                    {
                        if (!::IsWindow(window))
                            return kStatusInvalidParameter;
                        RegisterPnpWindow(state, window, message);
                        return 0u;
                    });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_RegisterDeviceNotification(UsbAudioDeviceHandle device,
                                                               unsigned int categoryMask,
                                                               HANDLE event, unsigned int flags)
    {
        return DeviceCall(Format("RegisterDeviceNotification(0x%x,%u)", categoryMask, flags),
                          "RegisterDeviceNotification", device,
                          [&](DeviceState&, OpenHandle& handle)
                          {
                              handle.event = reinterpret_cast<uintptr_t>(event);
                              handle.ownerProcess = ::GetCurrentProcessId();
                              return 0u;
                          });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_ReadDeviceNotification(UsbAudioDeviceHandle device,
                                                           unsigned int* type, unsigned char*,
                                                           unsigned int dataSize,
                                                           unsigned int* bytesReturned)
    {
        uint32_t delayMs = 0;
        const UsbAudioStatus status = DeviceCall(Format("ReadDeviceNotification(%u)", dataSize),
                                                 "ReadDeviceNotification", device,
                                                 [&](DeviceState& state, OpenHandle& handle)
                                                 {
                                                     if (!type)
                                                         return kStatusInvalidParameter;
                                                     delayMs = state.notificationReadMs;
                                                     uint32_t taken = 0;
                                                     if (!TakeNotification(handle, &taken))
                                                         return kStatusNoNotification;
                                                     *type = taken;
                                                     if (bytesReturned)
                                                         *bytesReturned = 0;
                                                     return 0u;
                                                 });
        // The slow bus holds the caller, not the other processes.
        if (delayMs != 0)
            ::Sleep(delayMs);
        return status;
    }

    UsbAudioStatus WINAPI TUSBAUDIO_GetSupportedSampleRates(UsbAudioDeviceHandle device,
                                                            unsigned int maxCount,
                                                            unsigned int* rates,
                                                            unsigned int* count)
    {
        return DeviceCall(Format("GetSupportedSampleRates(%u)", maxCount),
                          "GetSupportedSampleRates", device,
                          [&](DeviceState& state, OpenHandle&)
                          {
                              if (!count || (!rates && maxCount != 0))
                                  return kStatusInvalidParameter;
                              unsigned int n = 0;
                              for (; n < state.rateCount && n < maxCount; ++n)
                                  rates[n] = state.rates[n];
                              *count = n;
                              return 0u;
                          });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_GetCurrentSampleRate(UsbAudioDeviceHandle device,
                                                         unsigned int* rate)
    {
        return DeviceCall("GetCurrentSampleRate()", "GetCurrentSampleRate", device,
                          [&](DeviceState& state, OpenHandle&)
                          {
                              if (!rate)
                                  return kStatusInvalidParameter;
                              *rate = state.rate;
                              return 0u;
                          });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_SetSampleRate(UsbAudioDeviceHandle device, unsigned int rate)
    {
        return DeviceCall(Format("SetSampleRate(%u)", rate), "SetSampleRate", device,
                          [&](DeviceState& state, OpenHandle& handle)
                          {
                              if (const UsbAudioStatus busy = BusyStatus(state))
                                  return busy;
                              if (!IsSupportedRate(state, rate))
                                  return kStatusInvalidParameter;
                              state.rate = rate;
                              // The driver tells the other handles, as a
                              // second program on the device would see it.
                              QueueNotifications(state, kNotifySampleRate, 1, &handle);
                              return 0u;
                          });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_GetUsbStreamingMode(unsigned int* mode)
    {
        return Call("GetUsbStreamingMode()", "GetUsbStreamingMode",
                    [&](DeviceState& state)
                    {
                        if (!mode)
                            return kStatusInvalidParameter;
                        *mode = state.streamingMode;
                        return 0u;
                    });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_SetUsbStreamingMode(unsigned int mode)
    {
        return Call(Format("SetUsbStreamingMode(%u)", mode), "SetUsbStreamingMode",
                    [&](DeviceState& state)
                    {
                        if (const UsbAudioStatus busy = BusyStatus(state))
                            return busy;
                        if (mode == 0)
                            return kStatusInvalidParameter;
                        state.streamingMode = mode;
                        return 0u;
                    });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_GetASIOBufferSize(unsigned int* samples)
    {
        return Call("GetASIOBufferSize()", "GetASIOBufferSize",
                    [&](DeviceState& state)
                    {
                        if (!samples)
                            return kStatusInvalidParameter;
                        *samples = state.asioBuffer;
                        return 0u;
                    });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_SetASIOBufferSize(unsigned int samples)
    {
        return Call(Format("SetASIOBufferSize(%u)", samples), "SetASIOBufferSize",
                    [&](DeviceState& state)
                    {
                        if (samples == 0)
                            return kStatusInvalidParameter;
                        state.asioBuffer = samples;
                        return 0u;
                    });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_GetMinimumASIOBufferSize(unsigned int rate,
                                                             unsigned int* samples)
    {
        return Call(Format("GetMinimumASIOBufferSize(%u)", rate), "GetMinimumASIOBufferSize",
                    [&](DeviceState& state)
                    {
                        if (!samples)
                            return kStatusInvalidParameter;
                        *samples = MinimumAsioBuffer(state, rate);
                        return 0u;
                    });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_GetChannelProperties(UsbAudioDeviceHandle device,
                                                         unsigned int inputGroup,
                                                         unsigned int maxCount, void* records,
                                                         unsigned int* count)
    {
        return DeviceCall(Format("GetChannelProperties(%u,%u)", inputGroup, maxCount),
                          "GetChannelProperties", device,
                          [&](DeviceState&, OpenHandle&)
                          {
                              if (!count || (!records && maxCount != 0))
                                  return kStatusInvalidParameter;
                              *count = DescribeChannels(
                                  inputGroup != 0, static_cast<ChannelRecord*>(records), maxCount);
                              return 0u;
                          });
    }

    UsbAudioStatus WINAPI TUSBAUDIO_AudioControlRequestGet(
        UsbAudioDeviceHandle device, unsigned char entity, unsigned char request,
        unsigned char selector, unsigned char channel, void* data, unsigned int length,
        unsigned int* transferred, unsigned int timeoutMs)
    {
        const UsbAudioStatus status =
            DeviceCall(Format("Get(%u,0x%02x,%u,%u,len=%u,timeout=%u%s)", entity, request, selector,
                              channel, length, timeoutMs, transferred ? ",transferred" : ""),
                       "Get", device,
                       [&](DeviceState& state, OpenHandle&)
                       {
                           if (!data || length == 0)
                               return kStatusInvalidParameter;
                           if (request != 0x81)
                               return kStatusRequestRefused;
                           return ReadControl(state, entity, selector, channel,
                                              static_cast<uint8_t*>(data), length, transferred);
                       });
        StallControlRequest();
        return status;
    }

    UsbAudioStatus WINAPI TUSBAUDIO_AudioControlRequestSet(
        UsbAudioDeviceHandle device, unsigned char entity, unsigned char request,
        unsigned char selector, unsigned char channel, void* data, unsigned int length,
        unsigned int* transferred, unsigned int timeoutMs)
    {
        const UsbAudioStatus status = DeviceCall(
            Format("Set(%u,0x%02x,%u,%u,len=%u,data=%s,timeout=%u%s)", entity, request, selector,
                   channel, length, Hex(data, length).c_str(), timeoutMs,
                   transferred ? ",transferred" : ""),
            "Set", device,
            [&](DeviceState& state, OpenHandle& handle)
            {
                if (!data || length == 0)
                    return kStatusInvalidParameter;
                if (request != 0x01)
                    return kStatusRequestRefused;
                const UsbAudioStatus status = WriteControl(
                    state, entity, selector, channel, static_cast<const uint8_t*>(data), length);
                if (status == 0 && transferred)
                    *transferred = length;
                if (status == 0 && (selector == kVolumeSelector || selector == kMuteSelector))
                    QueueNotifications(state,
                                       selector == kVolumeSelector ? kNotifyVolume : kNotifyMute, 1,
                                       &handle);
                return status;
            });
        StallControlRequest();
        return status;
    }

    const wchar_t* WINAPI TUSBAUDIO_StatusCodeStringW(UsbAudioStatus status)
    {
        switch (status)
        {
        case 0:
            return L"The operation completed successfully.";
        case kStatusSoundDeviceInUse:
            return L"The device is in use by a system sound application.";
        case kStatusAsioInUse:
            return L"The device is in use by an ASIO application.";
        case kStatusNoDevice:
            return L"No device is attached.";
        case kStatusInvalidParameter:
            return L"A parameter is not valid.";
        case kStatusInvalidHandle:
            return L"The device handle is not valid.";
        case kStatusTooManyHandles:
            return L"Too many device handles are open.";
        case kStatusSimulatorUnavailable:
            return L"The simulated device cannot be reached.";
        case kStatusNoNotification:
            return L"No notification is queued.";
        case kStatusNoSuchControl:
            return L"The device has no such control.";
        case kStatusRequestRefused:
            return L"The device refused the request.";
        default:
            return L"Unknown status.";
        }
    }

} // extern "C"

// Records how the library leaves a process: unloaded while the process lives
// (reserved is null), or with the process. A real driver's library keeps its
// Plug-and-Play registration alive until the process ends, so an early unload
// is what a careful caller never does.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_DETACH)
        Device().WithState(
            [&](DeviceState& state)
            { AppendLog(state, reserved ? "detach at process exit" : "detach by unload"); });
    return TRUE;
}
