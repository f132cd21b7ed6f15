#include "DeviceResult.h"
#include <cwchar>
#include <iterator>

DeviceResult::Kind DeviceResult::BusyKind() const
{
    switch (status)
    {
    case 0:
        return Kind::Done;
    case kStatusAsioInUse:
        return Kind::AsioInUse;
    case kStatusSoundDeviceInUse:
        return Kind::SoundDeviceInUse;
    default:
        return Kind::Failed;
    }
}

std::wstring StatusErrorText(const UsbAudioApi& api, const wchar_t* label, UsbAudioStatus status)
{
    wchar_t digits[16];
    std::swprintf(digits, std::size(digits), L"%08X", status);
    // The driver may know no text for a status.
    const wchar_t* statusText = api.StatusCodeStringW(status);
    std::wstring text = label ? label : L"";
    text += L" failed. \r\nStatus = 0x" + std::wstring(digits) + L" (";
    text += statusText ? statusText : L"";
    text += L")";
    return text;
}

std::wstring BusyOrErrorText(const UsbAudioApi& api, const DeviceResult& result)
{
    switch (result.BusyKind())
    {
    case DeviceResult::Kind::AsioInUse:
        return kAsioInUseText;
    case DeviceResult::Kind::SoundDeviceInUse:
        return kSoundDeviceInUseText;
    default:
        return StatusErrorText(api, result.label, result.status);
    }
}

Notice BusyOrErrorNotice(const UsbAudioApi& api, const DeviceResult& result)
{
    const DeviceResult::Kind kind = result.BusyKind();
    const bool busy =
        kind == DeviceResult::Kind::AsioInUse || kind == DeviceResult::Kind::SoundDeviceInUse;
    return {busy ? Notice::Kind::Busy : Notice::Kind::Error, BusyOrErrorText(api, result)};
}
