#include "Preset.h"
#include "Decibels.h"
#include "DeviceSettings.h"
#include "TextEncoding.h"
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <iterator>
#include <map>

namespace
{
constexpr const char* kLevelKeys[] = {"input_left_db", "input_right_db", "output_left_db",
                                      "output_right_db"};
constexpr const char* kMuteKeys[] = {"input_mute", "output_mute"};
constexpr const char* kLinkKeys[] = {"input_link", "output_link"};
constexpr const char* kOtherKeys[] = {"rate", "streaming_mode_ms", "asio_buffer", "input"};
// A file of something else altogether should not fill a screen.
constexpr int kUnknownKeysNamed = 5;

std::string_view Trim(std::string_view text)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The file's text as UTF-8, whichever encoding its byte-order mark names.
std::string Decoded(std::string_view bytes)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return std::string(bytes.substr(3));
    const bool little = bytes.starts_with("\xFF\xFE");
    if (!little && !bytes.starts_with("\xFE\xFF"))
        return std::string(bytes);
    std::wstring wide;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
    {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        wide += static_cast<wchar_t>(little ? first | second << 8 : first << 8 | second);
    }
    return Utf8(wide);
}

// The next line of text, whether it ends in CRLF, LF or CR.
std::string_view NextLine(std::string_view& text)
{
    const size_t end = text.find_first_of("\r\n");
    const std::string_view line = text.substr(0, end);
    if (end == std::string_view::npos)
        text = {};
    else
        text.remove_prefix(end + (text.substr(end, 2) == "\r\n" ? 2 : 1));
    return line;
}

bool IsKnownKey(const std::string& key)
{
    auto in = [&](const auto& keys)
    { return std::find(std::begin(keys), std::end(keys), key) != std::end(keys); };
    return in(kOtherKeys) || in(kLevelKeys) || in(kMuteKeys) || in(kLinkKeys);
}

std::optional<unsigned int> Number(std::string_view text)
{
    unsigned int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<bool> Switch(const std::string& text)
{
    if (text == "on" || text == "true" || text == "yes" || text == "1")
        return true;
    if (text == "off" || text == "false" || text == "no" || text == "0")
        return false;
    return std::nullopt;
}

// Reads one value of a known key (in lower case) into its setting; the
// reason when it is malformed.
std::optional<std::string> ReadValue(Preset& preset, const std::string& key, std::string_view value)
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
        if (!mode || !IsStreamingMode(*mode))
            return "not " + ListOfStreamingModes(", ", " or ");
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
        const std::string source = AsciiLower(value);
        if (source != "spdif" && source != "analog")
            return "not spdif or analog";
        preset.inputSource = source == "spdif" ? kSpdifIn : kAnalogIn;
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
            const std::optional<bool> on = Switch(AsciiLower(value));
            if (!on)
                return "not on or off";
            (key == kMuteKeys[i] ? preset.mutes : preset.links)[i] = on;
            return std::nullopt;
        }
    return std::nullopt;
}
} // namespace

bool Preset::Empty() const
{
    auto none = [](const auto& settings)
    {
        return std::none_of(std::begin(settings), std::end(settings),
                            [](const auto& setting) { return setting.has_value(); });
    };
    return !rate && !streamingModeMs && !asioBuffer && !inputSource && none(levels) &&
           none(mutes) && none(links);
}

std::string FormatPreset(const Preset& preset)
{
    std::string text = "[preset]\r\n";
    auto line = [&](const char* key, const std::string& value)
    { text += std::string(key) + " = " + value + "\r\n"; };
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

PresetReading ParsePreset(std::string_view bytes, std::string_view fileName,
                          const std::wstring& name)
{
    PresetReading reading;
    const std::string decoded = Decoded(bytes);
    std::string_view text = decoded;
    bool inPreset = true; // keys before any heading count too
    std::map<std::string, int> firstLines;
    std::string unknown;
    int unknownCount = 0;
    for (int number = 1; !text.empty(); ++number)
    {
        const std::string_view line = Trim(NextLine(text));
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line[0] == '[')
        {
            inPreset = AsciiLower(Trim(line.substr(1, line.find(']') - 1))) == "preset";
            continue;
        }
        if (!inPreset)
            continue;
        const std::string where = std::string(fileName) + ", line " + std::to_string(number);
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0)
        {
            reading.problems.push_back(where + ": not a \"key = value\" line");
            continue;
        }
        const std::string_view key = Trim(line.substr(0, equals));
        const std::string_view value = Trim(line.substr(equals + 1));
        const std::string lowerKey = AsciiLower(key);
        if (!IsKnownKey(lowerKey))
        {
            if (++unknownCount <= kUnknownKeysNamed)
                unknown += (unknown.empty() ? "" : ", ") + std::string(key) + " (line " +
                           std::to_string(number) + ")";
            continue;
        }
        // As the Windows profile API reads it: the first value counts.
        if (const auto [first, added] = firstLines.emplace(lowerKey, number); !added)
        {
            reading.problems.push_back(where + ", " + std::string(key) + ": given before on line " +
                                       std::to_string(first->second) + ", so \"" +
                                       std::string(value) + "\" is ignored");
            continue;
        }
        if (const std::optional<std::string> reason = ReadValue(reading.preset, lowerKey, value))
            reading.problems.push_back(where + ", " + std::string(key) + ": \"" +
                                       std::string(value) + "\" is " + *reason);
    }
    if (unknownCount > kUnknownKeysNamed)
        unknown += " and " + std::to_string(unknownCount - kUnknownKeysNamed) + " more";
    if (!unknown.empty())
        reading.notices.push_back(
            {Notice::Kind::Note,
             Wide(std::string(fileName) +
                  ": keys this program does not know are ignored: " + unknown)});
    if (reading.preset.Empty())
        reading.notices.push_back(
            {Notice::Kind::Error, L"\"" + name + L"\" has no setting this program knows."});
    return reading;
}
