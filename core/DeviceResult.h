#pragma once
#include "../device/DeviceRecords.h"
#include "../device/UsbAudioApi.h"
#include "Notice.h"
#include <string>

// A driver call's outcome as a value: which call, and its status.
struct DeviceResult
{
    enum class Kind
    {
        Done,
        Failed,
        AsioInUse,
        SoundDeviceInUse,
    };

    const wchar_t* label = L"";
    UsbAudioStatus status = 0;

    bool Ok() const { return status == 0; }
    // A busy device has its own words; other failures show the driver's status.
    Kind BusyKind() const;
};

constexpr wchar_t kAsioInUseText[] =
    L"The requested operation cannot be performed because ASIO is currently in use. Please "
    L"close any active application and try again.";
constexpr wchar_t kSoundDeviceInUseText[] =
    L"The requested operation cannot be performed because a Windows sound device is currently "
    L"in use. Please close any active application and try again.";

// "<label> failed. \r\nStatus = 0x<status> (<driver's text>)".
std::wstring StatusErrorText(const UsbAudioApi& api, const wchar_t* label, UsbAudioStatus status);
// The busy texts for a busy device, else the status error text.
std::wstring BusyOrErrorText(const UsbAudioApi& api, const DeviceResult& result);
// The same as a notice: Busy for a busy device, else Error.
Notice BusyOrErrorNotice(const UsbAudioApi& api, const DeviceResult& result);
