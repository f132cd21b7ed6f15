#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A saved state of the device and the panel. A setting the file does not
// hold stays as it is when the preset is applied.
struct Preset
{
    enum Level
    {
        InputLeft,
        InputRight,
        OutputLeft,
        OutputRight,
    };
    enum Direction
    {
        Input,
        Output,
    };

    std::optional<unsigned int> rate;
    std::optional<unsigned int> streamingModeMs;
    std::optional<unsigned int> asioBuffer;
    std::optional<uint8_t> inputSource;
    std::optional<int> levels[4]; // 1/256 dB
    std::optional<bool> mutes[2];
    std::optional<bool> links[2];
};

// What reading a preset file gave: the settings, and one line for each
// value that could not be read ("file, line N, key: reason").
struct PresetReading
{
    Preset preset;
    std::vector<std::string> problems;
};

// The file's text: "key = value" lines under a [preset] heading.
std::string FormatPreset(const Preset& preset);
// Unknown keys and lines of other sections are ignored; a malformed value
// leaves its setting out and is named in the problems.
PresetReading ParsePreset(std::string_view text, std::string_view fileName);
