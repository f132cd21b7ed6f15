#include "UsbAudioApi.h"
#include "DeviceRecords.h"

namespace
{
// Stand-ins used when the driver's library or one of its functions is
// missing: every call fails as it would with no device attached.
template <typename Function> struct Absent;
template <typename... Args> struct Absent<UsbAudioStatus(WINAPI*)(Args...)>
{
    static UsbAudioStatus WINAPI Call(Args...) { return kStatusNoDevice; }
};

unsigned int WINAPI AbsentDeviceCount()
{
    return 0;
}

const wchar_t* WINAPI AbsentStatusText(UsbAudioStatus)
{
    return L"driver interface not available";
}

UsbAudioApi AbsentApi()
{
    UsbAudioApi api{};
    api.EnumerateDevices = &Absent<decltype(api.EnumerateDevices)>::Call;
    api.GetDeviceCount = &AbsentDeviceCount;
    api.OpenDeviceByIndex = &Absent<decltype(api.OpenDeviceByIndex)>::Call;
    api.CloseDevice = &Absent<decltype(api.CloseDevice)>::Call;
    api.GetDeviceProperties = &Absent<decltype(api.GetDeviceProperties)>::Call;
    api.RegisterPnpNotification = &Absent<decltype(api.RegisterPnpNotification)>::Call;
    api.RegisterDeviceNotification = &Absent<decltype(api.RegisterDeviceNotification)>::Call;
    api.ReadDeviceNotification = &Absent<decltype(api.ReadDeviceNotification)>::Call;
    api.GetSupportedSampleRates = &Absent<decltype(api.GetSupportedSampleRates)>::Call;
    api.GetCurrentSampleRate = &Absent<decltype(api.GetCurrentSampleRate)>::Call;
    api.SetSampleRate = &Absent<decltype(api.SetSampleRate)>::Call;
    api.GetUsbStreamingMode = &Absent<decltype(api.GetUsbStreamingMode)>::Call;
    api.SetUsbStreamingMode = &Absent<decltype(api.SetUsbStreamingMode)>::Call;
    api.GetASIOBufferSize = &Absent<decltype(api.GetASIOBufferSize)>::Call;
    api.SetASIOBufferSize = &Absent<decltype(api.SetASIOBufferSize)>::Call;
    api.GetMinimumASIOBufferSize = &Absent<decltype(api.GetMinimumASIOBufferSize)>::Call;
    api.GetChannelProperties = &Absent<decltype(api.GetChannelProperties)>::Call;
    api.AudioControlRequestGet = &Absent<decltype(api.AudioControlRequestGet)>::Call;
    api.AudioControlRequestSet = &Absent<decltype(api.AudioControlRequestSet)>::Call;
    api.StatusCodeStringW = &AbsentStatusText;
    return api;
}

template <typename Function> bool Resolve(HMODULE module, const char* name, Function& target)
{
    target = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    return target != nullptr;
}

bool ResolveAll(HMODULE module, UsbAudioApi& api)
{
    bool all = true;
    all &= Resolve(module, "TUSBAUDIO_EnumerateDevices", api.EnumerateDevices);
    all &= Resolve(module, "TUSBAUDIO_GetDeviceCount", api.GetDeviceCount);
    all &= Resolve(module, "TUSBAUDIO_OpenDeviceByIndex", api.OpenDeviceByIndex);
    all &= Resolve(module, "TUSBAUDIO_CloseDevice", api.CloseDevice);
    all &= Resolve(module, "TUSBAUDIO_GetDeviceProperties", api.GetDeviceProperties);
    all &= Resolve(module, "TUSBAUDIO_RegisterPnpNotification", api.RegisterPnpNotification);
    all &= Resolve(module, "TUSBAUDIO_RegisterDeviceNotification", api.RegisterDeviceNotification);
    all &= Resolve(module, "TUSBAUDIO_ReadDeviceNotification", api.ReadDeviceNotification);
    all &= Resolve(module, "TUSBAUDIO_GetSupportedSampleRates", api.GetSupportedSampleRates);
    all &= Resolve(module, "TUSBAUDIO_GetCurrentSampleRate", api.GetCurrentSampleRate);
    all &= Resolve(module, "TUSBAUDIO_SetSampleRate", api.SetSampleRate);
    all &= Resolve(module, "TUSBAUDIO_GetUsbStreamingMode", api.GetUsbStreamingMode);
    all &= Resolve(module, "TUSBAUDIO_SetUsbStreamingMode", api.SetUsbStreamingMode);
    all &= Resolve(module, "TUSBAUDIO_GetASIOBufferSize", api.GetASIOBufferSize);
    all &= Resolve(module, "TUSBAUDIO_SetASIOBufferSize", api.SetASIOBufferSize);
    all &= Resolve(module, "TUSBAUDIO_GetMinimumASIOBufferSize", api.GetMinimumASIOBufferSize);
    all &= Resolve(module, "TUSBAUDIO_GetChannelProperties", api.GetChannelProperties);
    all &= Resolve(module, "TUSBAUDIO_AudioControlRequestGet", api.AudioControlRequestGet);
    all &= Resolve(module, "TUSBAUDIO_AudioControlRequestSet", api.AudioControlRequestSet);
    all &= Resolve(module, "TUSBAUDIO_StatusCodeStringW", api.StatusCodeStringW);
    return all;
}
} // namespace

UsbAudioLibrary::UsbAudioLibrary() : m_api(AbsentApi())
{
    // Only the program's own folder and the system folder: never the
    // current directory, where anyone could plant a library.
    HMODULE module =
        ::LoadLibraryExW(L"tusbaudioapi.dll", nullptr,
                         LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module)
        return;
    UsbAudioApi loaded{};
    m_complete = ResolveAll(module, loaded);
    if (m_complete)
        m_api = loaded;
}
