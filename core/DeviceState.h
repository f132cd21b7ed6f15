#pragma once
#include "ChannelModel.h"
#include "AsioBufferSizes.h"
#include "Preset.h"
#include <cstdint>
#include <optional>
#include <vector>

// The device as the panel shows it. The device thread hands the window a new
// copy after every command and every drain of notifications; a copy never
// changes once handed over.
struct DeviceState
{
    bool open = false;
    // The rates offered, in the device's order; empty when it cannot list them.
    std::vector<unsigned int> rates;
    // The rate to show; nothing when it could not be read.
    std::optional<unsigned int> rate;
    std::optional<uint8_t> inputSource;
    // Whether the device describes each direction's channels (Preset::Direction).
    bool described[2] = {};
    // By Preset::Level. A range stays as it was when the device gives none.
    std::optional<VolumeRange> ranges[4];
    // Read only while a device is open; a failed read shows 0 dB.
    std::optional<int16_t> volumes[4];
    std::optional<bool> mutes[2];
    std::optional<unsigned int> streamingMode;
    AsioBufferSizeList asioSizes;
    std::optional<unsigned int> asioSize;
    // Known once a buffer size or streaming mode was checked against it.
    std::optional<unsigned int> asioMinimum;
    // The last command done: a control the user changed by a later command
    // still shows the user's value, not this copy's.
    uint64_t done = 0;
};

// The settings a preset saves, as the panel last knew them; the links are the panel's.
Preset PresetOfState(const DeviceState& state);
