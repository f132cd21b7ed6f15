#pragma once
// Records exchanged with the driver, and the status codes the panel knows.
#include <cstddef>
#include <cstdint>

constexpr unsigned int kStatusSoundDeviceInUse = 0xE0001001;
constexpr unsigned int kStatusAsioInUse = 0xE0001002;
constexpr unsigned int kStatusNoDevice = 0xE0000023;

// One channel as the driver describes it; only the named fields are ours.
struct ChannelRecord
{
    int32_t identifier;
    uint32_t driverReserved;
    uint32_t controlFlags; // bit 0: the channel has a volume control
    uint8_t featureUnitId;
    uint8_t channelNumber;
    int16_t volumeMin; // 1/256 dB
    int16_t volumeMax;
    uint16_t volumeResolution;
    wchar_t name[128];
    uint8_t driverTail[64];
};
static_assert(sizeof(ChannelRecord) == 340);
static_assert(offsetof(ChannelRecord, controlFlags) == 8);
static_assert(offsetof(ChannelRecord, featureUnitId) == 12);
static_assert(offsetof(ChannelRecord, channelNumber) == 13);
static_assert(offsetof(ChannelRecord, volumeMin) == 14);
static_assert(offsetof(ChannelRecord, volumeMax) == 16);
static_assert(offsetof(ChannelRecord, volumeResolution) == 18);
static_assert(offsetof(ChannelRecord, name) == 20);
static_assert(offsetof(ChannelRecord, driverTail) == 276);

// The device's properties; the panel uses only the USB ids.
struct DeviceProperties
{
    uint32_t usbVendorId;
    uint32_t usbProductId;
    uint8_t driverRest[1032];
};
static_assert(sizeof(DeviceProperties) == 1040);
