#include "Preset.h"
#include "Decibels.h"
#include "DeviceSettings.h"
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>

namespace
{
constexpr const char* kLevelKeys[] = {"input_left_db", "input_right_db", "output_left_db",
                                      "output_right_db"};
constexpr const char* kMuteKeys[] = {"input_mute", "output_mute"};
constexpr const char* kLinkKeys[] = {"input_link", "output_link"};

std::string_view Trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<unsigned int> Number(std::string_view text)
{
    unsigned int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<bool> Switch(std::string_view text)
{
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    return std::nullopt;
}

// Reads one value into its setting; the reason when it is malformed, or
// nothing, also for a key this program does not know.
std::optional<std::string> ReadValue(Preset& preset, std::string_view key, std::string_view value)
{
    if (key == "rate")
    {
        const std::optional<unsigned int> rate = Number(value);
        if (!rate)
            return "not a rate in Hz";
        preset.rate = rate;
        return std::nullopt;
    }
    if (key == "streaming_mode_ms")
    {
        const std::optional<unsigned int> mode = Number(value);
        if (!mode || std::find(std::begin(kStreamingModes), std::end(kStreamingModes), *mode) ==
                         std::end(kStreamingModes))
            return "not 1, 2, 4, 8, 16 or 32";
        preset.streamingModeMs = mode;
        return std::nullopt;
    }
    if (key == "asio_buffer")
    {
        const std::optional<unsigned int> size = Number(value);
        if (!size || *size == 0)
            return "not a number of samples";
        preset.asioBuffer = size;
        return std::nullopt;
    }
    if (key == "input")
    {
        if (value != "spdif" && value != "analog")
            return "not spdif or analog";
        preset.inputSource = value == "spdif" ? kSpdifIn : kAnalogIn;
        return std::nullopt;
    }
    for (size_t i = 0; i < std::size(kLevelKeys); ++i)
        if (key == kLevelKeys[i])
        {
            const std::optional<int> level = ParseDecibels(value);
            if (!level || *level < INT16_MIN || *level > INT16_MAX)
                return "not a level from -128 to 127.99609375 dB";
            preset.levels[i] = level;
            return std::nullopt;
        }
    for (size_t i = 0; i < 2; ++i)
        if (key == kMuteKeys[i] || key == kLinkKeys[i])
        {
            const std::optional<bool> on = Switch(value);
            if (!on)
                return "not on or off";
            (key == kMuteKeys[i] ? preset.mutes : preset.links)[i] = on;
            return std::nullopt;
        }
    return std::nullopt;
}
} // namespace

std::string FormatPreset(const Preset& preset)
{
    std::string text = "[preset]\n";
    auto line = [&](const char* key, const std::string& value)
    { text += std::string(key) + " = " + value + "\n"; };
    if (preset.rate)
        line("rate", std::to_string(*preset.rate));
    if (preset.streamingModeMs)
        line("streaming_mode_ms", std::to_string(*preset.streamingModeMs));
    if (preset.asioBuffer)
        line("asio_buffer", std::to_string(*preset.asioBuffer));
    if (preset.inputSource == kSpdifIn || preset.inputSource == kAnalogIn)
        line("input", preset.inputSource == kSpdifIn ? "spdif" : "analog");
    for (size_t i = 0; i < std::size(kLevelKeys); ++i)
        if (preset.levels[i])
            line(kLevelKeys[i], DecibelText(*preset.levels[i]));
    for (size_t i = 0; i < 2; ++i)
        if (preset.mutes[i])
            line(kMuteKeys[i], *preset.mutes[i] ? "on" : "off");
    for (size_t i = 0; i < 2; ++i)
        if (preset.links[i])
            line(kLinkKeys[i], *preset.links[i] ? "on" : "off");
    return text;
}

PresetReading ParsePreset(std::string_view text, std::string_view fileName)
{
    PresetReading reading;
    bool inPreset = true; // keys before any heading count too
    int number = 0;
    while (!text.empty())
    {
        const size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[')
        {
            inPreset = line == "[preset]";
            continue;
        }
        if (!inPreset)
            continue;
        const std::string where = std::string(fileName) + ", line " + std::to_string(number);
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos)
        {
            reading.problems.push_back(where + ": not a \"key = value\" line");
            continue;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        if (const std::optional<std::string> reason = ReadValue(reading.preset, key, value))
            reading.problems.push_back(where + ", " + std::string(key) + ": \"" +
                                       std::string(value) + "\" is " + *reason);
    }
    return reading;
}
