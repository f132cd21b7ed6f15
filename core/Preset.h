#pragma once
#include "Notice.h"
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

    // True when the preset holds no setting at all.
    bool Empty() const;
};

// What reading a preset file gave: the settings, one line for each value
// that could not be read ("file, line N, key: reason"), and notices: a note
// naming the keys this program does not know, an error when nothing is left
// to apply.
struct PresetReading
{
    Preset preset;
    std::vector<std::string> problems;
    std::vector<Notice> notices;
};

// The file's text: ASCII "key = value" lines under a [preset] heading, with
// CRLF line ends, so that Notepad and the Windows profile API read it.
std::string FormatPreset(const Preset& preset);
// Reads a file's bytes as the Windows profile API does: UTF-8 with or
// without a byte-order mark, UTF-16 with one; any line end; names and
// keywords in any case; the first of a key given twice. Unknown keys and
// other sections are ignored; a malformed value leaves its setting out and
// is named in the problems. name is the preset's, for the notices.
PresetReading ParsePreset(std::string_view bytes, std::string_view fileName,
                          const std::wstring& name);
