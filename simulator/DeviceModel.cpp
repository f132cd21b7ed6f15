#include "DeviceModel.h"
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <windows.h>

namespace
{
using namespace sim;

constexpr uint8_t kSelectorUnit = 11;
constexpr uint8_t kInputFeatureUnit = 14;
constexpr uint8_t kOutputFeatureUnit = 15;
constexpr uint8_t kMuteControl = 1;
constexpr uint8_t kVolumeControl = 2;
constexpr uint8_t kGetCur = 0x81;
constexpr uint8_t kSetCur = 0x01;

const char* const kFaultableFunctions[] = {
    "EnumerateDevices",
    "GetDeviceCount",
    "OpenDeviceByIndex",
    "CloseDevice",
    "GetDeviceProperties",
    "RegisterPnpNotification",
    "RegisterDeviceNotification",
    "ReadDeviceNotification",
    "GetSupportedSampleRates",
    "GetCurrentSampleRate",
    "SetSampleRate",
    "GetUsbStreamingMode",
    "SetUsbStreamingMode",
    "GetASIOBufferSize",
    "SetASIOBufferSize",
    "GetMinimumASIOBufferSize",
    "GetChannelProperties",
    "Get",
    "Set",
};

// Which feature unit, if any, the entity is.
bool FeatureUnit(uint8_t entity, Direction* direction)
{
    if (entity != kInputFeatureUnit && entity != kOutputFeatureUnit)
        return false;
    *direction = entity == kInputFeatureUnit ? kInput : kOutput;
    return true;
}

ChannelRecord Channel(uint8_t unit, uint8_t channel, int16_t min, int16_t max, const wchar_t* name)
{
    ChannelRecord record{};
    record.identifier = channel;
    record.controlFlags = 1;
    record.featureUnitId = unit;
    record.channelNumber = channel;
    record.volumeMin = min;
    record.volumeMax = max;
    record.volumeResolution = 128;
    std::wcsncpy(record.name, name, std::size(record.name) - 1);
    return record;
}
} // namespace

namespace sim
{
void InitialiseState(DeviceState& state)
{
    std::memset(&state, 0, sizeof state);
    ResetDevice(state);
}

void ResetDevice(DeviceState& state)
{
    state.devices = 1;
    const uint32_t rates[] = {44100, 48000, 88200, 96000};
    std::copy(std::begin(rates), std::end(rates), state.rates);
    state.rateCount = static_cast<uint32_t>(std::size(rates));
    state.rate = 48000;
    state.streamingMode = 4;
    state.asioBuffer = 512;
    state.minimumBufferOverride = 0;
    state.inputSelector = 2;
    state.volume[kInput][0] = state.volume[kInput][1] = -2560;
    state.volume[kOutput][0] = state.volume[kOutput][1] = -5120;
    state.mute[kInput] = state.mute[kOutput] = 0;
    state.busy = Busy::None;
    state.notificationReadMs = 0;
    state.controlRequestMs = 0;
    for (OpenHandle& handle : state.handles)
    {
        if (handle.id != 0 && handle.deviceIndex >= state.devices)
            handle.id = 0;
        handle.queueHead = handle.queueCount = 0;
    }
    ClearFaults(state);
    ClearLog(state);
}

uint32_t MinimumAsioBuffer(const DeviceState& state, uint32_t rate)
{
    if (state.minimumBufferOverride != 0)
        return state.minimumBufferOverride;
    uint32_t minimum = 64;
    if (state.streamingMode <= 2)
        return minimum;
    const uint64_t samples = static_cast<uint64_t>(rate) * state.streamingMode / 2000;
    while (minimum < samples && minimum < 8192)
        minimum *= 2;
    return minimum;
}

bool IsSupportedRate(const DeviceState& state, uint32_t rate)
{
    return std::find(state.rates, state.rates + state.rateCount, rate) !=
           state.rates + state.rateCount;
}

uint32_t BusyStatus(const DeviceState& state)
{
    if (state.busy == Busy::SoundDevice)
        return kStatusSoundDeviceInUse;
    if (state.busy == Busy::Asio)
        return kStatusAsioInUse;
    return 0;
}

uint32_t DescribeChannels(bool inputGroup, ChannelRecord* records, uint32_t maxCount)
{
    const ChannelRecord channels[] = {
        inputGroup ? Channel(kInputFeatureUnit, 1, -32768, 1536, L"Input 1")
                   : Channel(kOutputFeatureUnit, 1, -22528, 0, L"Output 1"),
        inputGroup ? Channel(kInputFeatureUnit, 2, -32768, 1536, L"Input 2")
                   : Channel(kOutputFeatureUnit, 2, -22528, 0, L"Output 2"),
    };
    const uint32_t count = std::min<uint32_t>(maxCount, static_cast<uint32_t>(std::size(channels)));
    std::copy(channels, channels + count, records);
    return count;
}

uint32_t ReadControl(const DeviceState& state, uint8_t entity, uint8_t selector, uint8_t channel,
                     uint8_t* data, uint32_t length, uint32_t* transferred)
{
    uint8_t value[2] = {};
    uint32_t size = 1;
    Direction direction;
    if (entity == kSelectorUnit && selector == 0 && channel == 0)
        value[0] = state.inputSelector;
    else if (FeatureUnit(entity, &direction) && selector == kMuteControl && channel == 0)
        value[0] = state.mute[direction];
    else if (FeatureUnit(entity, &direction) && selector == kVolumeControl &&
             (channel == 1 || channel == 2))
    {
        const auto bits = static_cast<uint16_t>(state.volume[direction][channel - 1]);
        value[0] = static_cast<uint8_t>(bits & 0xFF);
        value[1] = static_cast<uint8_t>(bits >> 8);
        size = 2;
    }
    else
        return kStatusNoSuchControl;
    // As on the bus, a shorter request gets the first bytes.
    const uint32_t copied = std::min(size, length);
    std::memcpy(data, value, copied);
    if (transferred)
        *transferred = copied;
    return 0;
}

uint32_t WriteControl(DeviceState& state, uint8_t entity, uint8_t selector, uint8_t channel,
                      const uint8_t* data, uint32_t length)
{
    Direction direction;
    if (entity == kSelectorUnit && selector == 0 && channel == 0)
    {
        // The selector has two inputs; the device stalls anything else.
        if (length < 1 || (data[0] != 1 && data[0] != 2))
            return kStatusRequestRefused;
        state.inputSelector = data[0];
        return 0;
    }
    if (FeatureUnit(entity, &direction) && selector == kMuteControl && channel == 0)
    {
        if (length < 1)
            return kStatusRequestRefused;
        state.mute[direction] = data[0] != 0;
        return 0;
    }
    if (FeatureUnit(entity, &direction) && selector == kVolumeControl &&
        (channel == 1 || channel == 2))
    {
        if (length < 2)
            return kStatusRequestRefused;
        state.volume[direction][channel - 1] = static_cast<int16_t>(data[0] | (data[1] << 8));
        return 0;
    }
    return kStatusNoSuchControl;
}

bool IsFaultableFunction(const std::string& function)
{
    return std::find(std::begin(kFaultableFunctions), std::end(kFaultableFunctions), function) !=
           std::end(kFaultableFunctions);
}

bool AddFault(DeviceState& state, const std::string& function, uint32_t status, bool once)
{
    if (!IsFaultableFunction(function) || function.size() >= kFunctionNameLength)
        return false;
    Fault* slot = nullptr;
    for (Fault& fault : state.faults)
    {
        if (function == fault.function)
        {
            slot = &fault; // a new fault for a function replaces the old one
            break;
        }
        if (!slot && fault.function[0] == '\0')
            slot = &fault;
    }
    if (!slot)
        return false;
    std::memset(slot->function, 0, sizeof slot->function);
    std::memcpy(slot->function, function.data(), function.size());
    slot->status = status;
    slot->once = once;
    return true;
}

void ClearFaults(DeviceState& state)
{
    std::memset(state.faults, 0, sizeof state.faults);
}

bool TakeFault(DeviceState& state, const char* function, uint32_t* status)
{
    for (Fault& fault : state.faults)
    {
        if (fault.function[0] == '\0' || std::strcmp(fault.function, function) != 0)
            continue;
        *status = fault.status;
        if (fault.once)
            std::memset(&fault, 0, sizeof fault);
        return true;
    }
    return false;
}

void AppendLog(DeviceState& state, const std::string& line)
{
    if (state.logCount == kLogCapacity)
    {
        state.logHead = (state.logHead + 1) % kLogCapacity;
        --state.logCount;
    }
    const uint32_t slot = (state.logHead + state.logCount) % kLogCapacity;
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    state.logTime[slot] = now.QuadPart;
    char* target = state.log[slot];
    const size_t length = std::min<size_t>(line.size(), kLogLineLength - 1);
    std::memcpy(target, line.data(), length);
    target[length] = '\0';
    ++state.logCount;
}

void ClearLog(DeviceState& state)
{
    state.logHead = state.logCount = 0;
}
} // namespace sim
