#include "FakeUsbAudio.h"
#include <cstdio>
#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <mutex>

UsbAudioDeviceHandle const kFakeDeviceHandle = reinterpret_cast<UsbAudioDeviceHandle>(0x5800);

namespace
{
FakeUsbAudio& F()
{
    return FakeUsbAudio::Instance();
}

std::string Format(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

void Log(std::string call)
{
    F().Log(std::move(call));
}

bool Failing(const char* function, UsbAudioStatus* status)
{
    if (F().scripted)
    {
        *status = *F().scripted;
        return true;
    }
    auto it = F().failures.find(function);
    if (it == F().failures.end())
        return false;
    *status = it->second;
    return true;
}

bool ValidHandle(UsbAudioDeviceHandle device)
{
    return device == kFakeDeviceHandle && F().openHandles > 0;
}

std::string Hex(const void* data, unsigned int length)
{
    std::string text;
    if (!data)
        return "null";
    for (unsigned int i = 0; i < length; ++i)
        text += Format("%02x", static_cast<const uint8_t*>(data)[i]);
    return text;
}

#define FAIL_IF_ASKED(name)                                                                        \
    do                                                                                             \
    {                                                                                              \
        UsbAudioStatus injected;                                                                   \
        if (Failing(name, &injected))                                                              \
            return injected;                                                                       \
    } while (0)

UsbAudioStatus WINAPI EnumerateDevices()
{
    Log("EnumerateDevices()");
    FAIL_IF_ASKED("EnumerateDevices");
    return 0;
}

unsigned int WINAPI GetDeviceCount()
{
    Log("GetDeviceCount()");
    return F().deviceCount;
}

UsbAudioStatus WINAPI OpenDeviceByIndex(unsigned int index, UsbAudioDeviceHandle* device)
{
    Log(Format("OpenDeviceByIndex(%u)", index));
    FAIL_IF_ASKED("OpenDeviceByIndex");
    if (index >= F().deviceCount)
        return kStatusNoDevice;
    ++F().openHandles;
    *device = kFakeDeviceHandle;
    return 0;
}

UsbAudioStatus WINAPI CloseDevice(UsbAudioDeviceHandle device)
{
    Log(Format("CloseDevice(%s)", device ? "device" : "null"));
    if (!ValidHandle(device))
        return kStatusNoDevice;
    --F().openHandles;
    return 0;
}

UsbAudioStatus WINAPI GetDeviceProperties(UsbAudioDeviceHandle device, void* properties)
{
    Log("GetDeviceProperties()");
    FAIL_IF_ASKED("GetDeviceProperties");
    if (!ValidHandle(device))
        return kStatusNoDevice;
    auto* record = static_cast<DeviceProperties*>(properties);
    record->usbVendorId = F().vendorId;
    record->usbProductId = F().productId;
    return 0;
}

UsbAudioStatus WINAPI RegisterPnpNotification(HANDLE, HANDLE, HWND window, UINT message,
                                              unsigned int flags)
{
    Log(Format("RegisterPnpNotification(0x%x,%u)", message, flags));
    FAIL_IF_ASKED("RegisterPnpNotification");
    F().pnpWindow = window;
    F().pnpMessage = message;
    return 0;
}

UsbAudioStatus WINAPI RegisterDeviceNotification(UsbAudioDeviceHandle device, unsigned int mask,
                                                 HANDLE event, unsigned int flags)
{
    Log(Format("RegisterDeviceNotification(0x%x,%u)", mask, flags));
    FAIL_IF_ASKED("RegisterDeviceNotification");
    if (!ValidHandle(device))
        return kStatusNoDevice;
    F().notificationEvent = event;
    return 0;
}

UsbAudioStatus WINAPI ReadDeviceNotification(UsbAudioDeviceHandle device, unsigned int* type,
                                             unsigned char*, unsigned int dataSize,
                                             unsigned int* bytesReturned)
{
    Log(Format("ReadDeviceNotification(%u)", dataSize));
    FAIL_IF_ASKED("ReadDeviceNotification");
    if (!ValidHandle(device))
        return kStatusNoDevice;
    if (F().endlessType != 0)
        *type = F().endlessType;
    else if (F().notifications.empty())
        return 0xE0000010; // nothing queued
    else
    {
        *type = F().notifications.front();
        F().notifications.pop_front();
    }
    if (bytesReturned)
        *bytesReturned = 0;
    return 0;
}

UsbAudioStatus WINAPI GetSupportedSampleRates(UsbAudioDeviceHandle device, unsigned int maxCount,
                                              unsigned int* rates, unsigned int* count)
{
    Log(Format("GetSupportedSampleRates(%u)", maxCount));
    FAIL_IF_ASKED("GetSupportedSampleRates");
    if (!ValidHandle(device))
        return kStatusNoDevice;
    unsigned int n = 0;
    for (unsigned int rate : F().supportedRates)
        if (n < maxCount)
            rates[n++] = rate;
    *count = F().claimedRateCount ? F().claimedRateCount : n;
    return 0;
}

UsbAudioStatus WINAPI GetCurrentSampleRate(UsbAudioDeviceHandle device, unsigned int* rate)
{
    Log("GetCurrentSampleRate()");
    FAIL_IF_ASKED("GetCurrentSampleRate");
    if (!ValidHandle(device))
        return kStatusNoDevice;
    *rate = F().currentRate;
    return 0;
}

UsbAudioStatus WINAPI SetSampleRate(UsbAudioDeviceHandle device, unsigned int rate)
{
    Log(Format("SetSampleRate(%u)", rate));
    FAIL_IF_ASKED("SetSampleRate");
    if (!ValidHandle(device))
        return kStatusNoDevice;
    F().currentRate = rate;
    return 0;
}

UsbAudioStatus WINAPI GetUsbStreamingMode(unsigned int* mode)
{
    Log("GetUsbStreamingMode()");
    FAIL_IF_ASKED("GetUsbStreamingMode");
    *mode = F().streamingMode;
    return 0;
}

UsbAudioStatus WINAPI SetUsbStreamingMode(unsigned int mode)
{
    Log(Format("SetUsbStreamingMode(%u)", mode));
    FAIL_IF_ASKED("SetUsbStreamingMode");
    F().streamingMode = mode;
    return 0;
}

UsbAudioStatus WINAPI GetASIOBufferSize(unsigned int* samples)
{
    Log("GetASIOBufferSize()");
    FAIL_IF_ASKED("GetASIOBufferSize");
    *samples = F().asioBufferSize;
    return 0;
}

UsbAudioStatus WINAPI SetASIOBufferSize(unsigned int samples)
{
    Log(Format("SetASIOBufferSize(%u)", samples));
    FAIL_IF_ASKED("SetASIOBufferSize");
    F().asioBufferSize = samples;
    return 0;
}

UsbAudioStatus WINAPI GetMinimumASIOBufferSize(unsigned int rate, unsigned int* samples)
{
    Log(Format("GetMinimumASIOBufferSize(%u)", rate));
    FAIL_IF_ASKED("GetMinimumASIOBufferSize");
    *samples = F().minimumAsioBufferSize;
    return 0;
}

UsbAudioStatus WINAPI GetChannelProperties(UsbAudioDeviceHandle device, unsigned int inputGroup,
                                           unsigned int maxCount, void* records,
                                           unsigned int* count)
{
    Log(Format("GetChannelProperties(%u,%u)", inputGroup, maxCount));
    UsbAudioStatus injected = 0;
    const bool failing = Failing(
        inputGroup ? "GetChannelProperties(input)" : "GetChannelProperties(output)", &injected);
    if (failing && !F().fillBeforeFailing)
        return injected;
    if (!ValidHandle(device))
        return kStatusNoDevice;
    const auto& channels = inputGroup ? F().inputChannels : F().outputChannels;
    unsigned int n = 0;
    for (const ChannelRecord& channel : channels)
        if (n < maxCount)
            std::memcpy(static_cast<ChannelRecord*>(records) + n++, &channel, sizeof channel);
    *count = F().claimedChannelCount ? F().claimedChannelCount : n;
    return failing ? injected : 0;
}

UsbAudioStatus WINAPI AudioControlRequestGet(UsbAudioDeviceHandle device, unsigned char entity,
                                             unsigned char request, unsigned char selector,
                                             unsigned char channel, void* data, unsigned int length,
                                             unsigned int* transferred, unsigned int timeoutMs)
{
    Log(Format("Get(%u,0x%02x,%u,%u,len=%u,timeout=%u%s)", entity, request, selector, channel,
               length, timeoutMs, transferred ? ",transferred" : ""));
    FAIL_IF_ASKED(Format("Get(%u,%u)", entity, selector).c_str());
    FAIL_IF_ASKED("Get");
    if (!ValidHandle(device))
        return kStatusNoDevice;
    auto it = F().controls.find({entity, selector, channel});
    if (it == F().controls.end())
        return 0xE0000040; // no such control
    std::memcpy(data, it->second.data(), std::min<size_t>(length, it->second.size()));
    return 0;
}

UsbAudioStatus WINAPI AudioControlRequestSet(UsbAudioDeviceHandle device, unsigned char entity,
                                             unsigned char request, unsigned char selector,
                                             unsigned char channel, void* data, unsigned int length,
                                             unsigned int* transferred, unsigned int timeoutMs)
{
    Log(Format("Set(%u,0x%02x,%u,%u,len=%u,data=%s,timeout=%u%s)", entity, request, selector,
               channel, length, Hex(data, length).c_str(), timeoutMs,
               transferred ? ",transferred" : ""));
    FAIL_IF_ASKED(Format("Set(%u,%u)", entity, selector).c_str());
    FAIL_IF_ASKED("Set");
    if (!ValidHandle(device))
        return kStatusNoDevice;
    auto& value = F().controls[{entity, selector, channel}];
    value.assign(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + length);
    return 0;
}

const wchar_t* WINAPI StatusCodeStringW(UsbAudioStatus status)
{
    if (F().statusText)
        return *F().statusText;
    switch (status)
    {
    case 0:
        return L"success";
    case kStatusNoDevice:
        return L"no device";
    default:
        return L"fake error";
    }
}

const UsbAudioApi kFakeApi{
    &EnumerateDevices,
    &GetDeviceCount,
    &OpenDeviceByIndex,
    &CloseDevice,
    &GetDeviceProperties,
    &RegisterPnpNotification,
    &RegisterDeviceNotification,
    &ReadDeviceNotification,
    &GetSupportedSampleRates,
    &GetCurrentSampleRate,
    &SetSampleRate,
    &GetUsbStreamingMode,
    &SetUsbStreamingMode,
    &GetASIOBufferSize,
    &SetASIOBufferSize,
    &GetMinimumASIOBufferSize,
    &GetChannelProperties,
    &AudioControlRequestGet,
    &AudioControlRequestSet,
    &StatusCodeStringW,
};
} // namespace

// One for the life of the test program: the lock and the event go with it.
FakeUsbAudio::FakeUsbAudio() : m_stallsCleared(::CreateEventW(nullptr, TRUE, TRUE, nullptr))
{
    Reset();
}

FakeUsbAudio& FakeUsbAudio::Instance()
{
    static FakeUsbAudio instance;
    return instance;
}

const UsbAudioApi& FakeUsbAudio::api() const
{
    return kFakeApi;
}

ChannelRecord FakeUsbAudio::Channel(uint8_t unit, uint8_t channel, int16_t min, int16_t max,
                                    uint32_t flags)
{
    ChannelRecord record{};
    record.identifier = channel;
    record.controlFlags = flags;
    record.featureUnitId = unit;
    record.channelNumber = channel;
    record.volumeMin = min;
    record.volumeMax = max;
    record.volumeResolution = 128;
    return record;
}

void FakeUsbAudio::Reset()
{
    deviceCount = 1;
    vendorId = 0x152A;
    productId = 0x8758;
    supportedRates = {44100, 48000, 88200, 96000};
    claimedRateCount = 0;
    currentRate = 48000;
    streamingMode = 4;
    asioBufferSize = 512;
    minimumAsioBufferSize = 128;
    inputChannels = {Channel(14, 1, -32768, 1536), Channel(14, 2, -32768, 1536)};
    outputChannels = {Channel(15, 1, -24576, 0), Channel(15, 2, -24576, 0)};
    claimedChannelCount = 0;
    fillBeforeFailing = false;
    controls.clear();
    SetByte(11, 0, 2);
    SetVolume(14, 1, -2560);
    SetVolume(14, 2, -2560);
    SetByte(14, 1, 0);
    SetVolume(15, 1, -5120);
    SetVolume(15, 2, -5120);
    SetByte(15, 1, 0);
    notifications.clear();
    endlessType = 0;
    notificationEvent = nullptr;
    pnpWindow = nullptr;
    pnpMessage = 0;
    openHandles = 0;
    failures.clear();
    statusText.reset();
    script = nullptr;
    scripted.reset();
    calls.clear();
    ClearStalls();
}

// Logs a call, stalls it when asked to and lets the script answer it.
void FakeUsbAudio::Log(std::string call)
{
    const DWORD stall = StallOf(call.substr(0, call.find('(')));
    {
        const std::lock_guard lock(m_lock);
        calls.push_back(call);
    }
    if (stall != 0)
        ::WaitForSingleObject(m_stallsCleared.Get(), stall);
    scripted = script ? script(call) : std::nullopt;
}

void FakeUsbAudio::Stall(const std::string& function, DWORD ms)
{
    const std::lock_guard lock(m_lock);
    m_stalls[function] = ms;
    ::ResetEvent(m_stallsCleared.Get());
}

void FakeUsbAudio::ClearStalls()
{
    const std::lock_guard lock(m_lock);
    m_stalls.clear();
    ::SetEvent(m_stallsCleared.Get());
}

DWORD FakeUsbAudio::StallOf(const std::string& function)
{
    const std::lock_guard lock(m_lock);
    const auto stall = m_stalls.find(function);
    return stall == m_stalls.end() ? 0 : stall->second;
}

void FakeUsbAudio::Fail(const std::string& function, UsbAudioStatus status)
{
    failures[function] = status;
}

void FakeUsbAudio::Notify(unsigned int type)
{
    notifications.push_back(type);
    if (notificationEvent)
        ::SetEvent(notificationEvent);
}

std::vector<std::string> FakeUsbAudio::TakeCalls()
{
    std::vector<std::string> taken;
    const std::lock_guard lock(m_lock);
    taken.swap(calls);
    return taken;
}

std::vector<std::string> FakeUsbAudio::TakeChanges()
{
    std::vector<std::string> changes;
    for (const std::string& call : TakeCalls())
        if (call.rfind("Set", 0) == 0)
            changes.push_back(call.substr(0, call.find(",timeout")));
    return changes;
}

std::vector<std::string> FakeUsbAudio::CallsTo(const std::string& function)
{
    std::vector<std::string> found;
    const std::lock_guard lock(m_lock);
    for (const std::string& call : calls)
        if (call.rfind(function, 0) == 0)
            found.push_back(call);
    return found;
}

void FakeUsbAudio::SetVolume(uint8_t unit, uint8_t channel, int16_t volume)
{
    const auto bits = static_cast<uint16_t>(volume);
    controls[{unit, 2, channel}] = {static_cast<uint8_t>(bits & 0xFF),
                                    static_cast<uint8_t>(bits >> 8)};
}

int16_t FakeUsbAudio::Volume(uint8_t unit, uint8_t channel) const
{
    auto it = controls.find({unit, 2, channel});
    if (it == controls.end() || it->second.size() < 2)
        return 0;
    return static_cast<int16_t>(it->second[0] | (it->second[1] << 8));
}

void FakeUsbAudio::SetByte(uint8_t unit, uint8_t selector, uint8_t value)
{
    controls[{unit, selector, 0}] = {value};
}

uint8_t FakeUsbAudio::Byte(uint8_t unit, uint8_t selector) const
{
    auto it = controls.find({unit, selector, 0});
    return it == controls.end() || it->second.empty() ? 0 : it->second[0];
}
