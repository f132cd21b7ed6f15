#pragma once
#include "Notice.h"
#include "Preset.h"
#include "PresetApply.h"
#include <windows.h>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// One piece of device work the window asks for.
struct DeviceCommand
{
    enum class Kind
    {
        WatchPnp,
        Open,
        Refresh,
        Rate,
        StreamingMode,
        AsioBufferSize,
        // Sets a size whose check the user has already been told of.
        CheckedAsioBufferSize,
        Input,
        Volume,
        Mute,
        ApplyPreset,
        Sync,
    };

    Kind kind = Kind::Refresh;
    uint64_t number = 0;
    // The rate, mode, size, input, level or direction.
    unsigned int value = 0;
    int16_t volume = 0;
    bool muted = false;
    // Told of device arrival and removal by the message in value.
    HWND window = nullptr;
    std::shared_ptr<const PresetReading> reading;
};

// What one command had to tell the user. An applied preset also gives back
// the reading it was applied from, so that its report can name what was
// left out.
struct DeviceOutcome
{
    uint64_t command = 0;
    std::vector<Notice> notices;
    std::shared_ptr<const PresetReading> reading;
    std::optional<PresetOutcome> preset;
    // What goes on once the user has read the notices: a buffer size below
    // the minimum is set only after its warning.
    std::optional<DeviceCommand> then;
};
