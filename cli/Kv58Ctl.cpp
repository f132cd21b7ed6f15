#include "Kv58Ctl.h"
#include "../core/Decibels.h"
#include "../core/DeviceSettings.h"
#include "../core/PresetApply.h"
#include "../core/PresetStore.h"
#include "../core/SettingChoices.h"
#include "../core/TextEncoding.h"
#include "../core/ChannelModel.h"
#include <windows.h>
#include <algorithm>
#include <charconv>
#include <optional>

namespace
{
std::string UsageText()
{
    return "usage: kv58ctl COMMAND [ARGUMENTS]\n"
           "  status [--json]\n"
           "  rate HZ\n"
           "  mode " +
           ListOfStreamingModes("|", "|") +
           "\n"
           "  buffer SAMPLES\n"
           "  input spdif|analog\n"
           "  level in|out left|right|both DB\n"
           "  mute in|out on|off\n"
           "  preset list\n"
           "  preset save|load|delete NAME\n"
           "  --help | --version\n";
}

// The version resource's product version: "1.49".
std::string ProgramVersion()
{
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    DWORD handle = 0;
    const DWORD size = length && length < MAX_PATH ? ::GetFileVersionInfoSizeW(path, &handle) : 0;
    std::vector<char> block(size);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (size == 0 || !::GetFileVersionInfoW(path, 0, size, block.data()) ||
        !::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) ||
        infoSize < sizeof(VS_FIXEDFILEINFO))
        return {};
    std::string version = std::to_string(HIWORD(info->dwProductVersionMS)) + "." +
                          std::to_string(LOWORD(info->dwProductVersionMS));
    if (info->dwProductVersionLS != 0)
        version += "." + std::to_string(HIWORD(info->dwProductVersionLS)) + "." +
                   std::to_string(LOWORD(info->dwProductVersionLS));
    return version;
}

// One line of the panel's words.
std::string Line(const std::wstring& text)
{
    return OneLine(text) + "\n";
}

std::optional<unsigned int> ParseNumber(const std::string& text)
{
    unsigned int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

std::string List(const std::vector<unsigned int>& values)
{
    std::string text;
    for (unsigned int value : values)
        text += (text.empty() ? "" : ", ") + std::to_string(value);
    return text;
}

class Command
{
public:
    Command(const UsbAudioApi& api, const HidApi& hid, CtlOutput& output)
        : m_session(api, hid), m_channels(m_session), m_output(output)
    {
    }

    int Run(const std::vector<std::string>& args);

private:
    int Usage(const std::string& reason)
    {
        m_output.err += "kv58ctl: " + reason + "\n" + UsageText();
        return kExitUsage;
    }
    int Refused(const DeviceResult& result)
    {
        m_output.err += Line(BusyOrErrorText(m_session.Api(), result));
        return kExitRefused;
    }
    // Opens the device; false after reporting its absence.
    bool Open();

    int Status(bool json);
    int Rate(const std::string& text);
    int Mode(const std::string& text);
    int Buffer(const std::string& text);
    int Input(const std::string& text);
    int Level(const std::string& direction, const std::string& side, const std::string& text);
    int Mute(const std::string& direction, const std::string& state);
    int PresetCommand(const std::vector<std::string>& args);
    int LoadPreset(const std::wstring& name);
    // Warns as the panel does when the buffer in use is below the minimum.
    int CheckBuffer(unsigned int size);

    DeviceSession m_session;
    ChannelModel m_channels;
    CtlOutput& m_output;
    PresetStore m_presets;
};

bool Command::Open()
{
    const UsbAudioStatus status = m_session.Open();
    if (status == 0)
        return true;
    m_output.err += Line(L"The device is not present: " +
                         StatusErrorText(m_session.Api(), L"TUSBAUDIO_OpenDeviceByIndex", status));
    return false;
}

int Command::Run(const std::vector<std::string>& given)
{
    if (given.empty())
        return Usage("no command");
    // Keywords in any case, as Windows users expect; a preset's name as given.
    std::vector<std::string> args;
    for (size_t i = 0; i < given.size(); ++i)
        args.push_back(i == 2 && AsciiLower(given[0]) == "preset" ? given[i]
                                                                  : AsciiLower(given[i]));
    const std::string& name = args[0];
    const size_t count = args.size() - 1;
    if (name == "--help" || name == "-h" || name == "/?" || name == "help")
    {
        m_output.out += UsageText();
        return kExitDone;
    }
    if (name == "--version")
    {
        const std::string version = ProgramVersion();
        if (version.empty())
        {
            m_output.err += "kv58ctl: the program carries no version\n";
            return kExitRefused;
        }
        m_output.out += "kv58ctl " + version + "\n";
        return kExitDone;
    }
    struct Shape
    {
        const char* name;
        size_t arguments;
    };
    static constexpr Shape kShapes[] = {{"rate", 1},  {"mode", 1},  {"buffer", 1},
                                        {"input", 1}, {"level", 3}, {"mute", 2}};
    if (name == "preset")
        return PresetCommand(args);
    if (name == "status")
    {
        if (count > 1 || (count == 1 && args[1] != "--json"))
            return Usage("status takes only --json");
    }
    else
    {
        const auto shape = std::find_if(std::begin(kShapes), std::end(kShapes),
                                        [&](const Shape& s) { return name == s.name; });
        if (shape == std::end(kShapes))
            return Usage("unknown command '" + given[0] + "'");
        if (count != shape->arguments)
            return Usage(name + " takes " + std::to_string(shape->arguments) + " argument" +
                         (shape->arguments == 1 ? "" : "s"));
    }

    if (name == "status")
        return Status(count == 1);
    if (name == "rate")
        return Rate(args[1]);
    if (name == "mode")
        return Mode(args[1]);
    if (name == "buffer")
        return Buffer(args[1]);
    if (name == "input")
        return Input(args[1]);
    if (name == "level")
        return Level(args[1], args[2], args[3]);
    return Mute(args[1], args[2]);
}

std::string JsonNumber(const std::optional<unsigned int>& value)
{
    return value ? std::to_string(*value) : "null";
}

int Command::Status(bool json)
{
    const bool present = m_session.Open() == 0;
    std::optional<std::vector<unsigned int>> rates;
    std::optional<unsigned int> rate, mode, buffer, minimum;
    std::optional<uint8_t> input;
    if (present)
    {
        rates = SupportedSampleRates(m_session);
        rate = CurrentSampleRate(m_session);
        mode = StreamingMode(m_session);
        buffer = CurrentAsioBufferSize(m_session);
        if (const AsioMinimum found = MinimumAsioBufferSize(m_session); found.failure.Ok())
            minimum = found.minimum;
        input = ReadInputSource(m_session);
        m_channels.Load();
    }
    const char* inputName = !input                ? nullptr
                            : *input == kSpdifIn  ? "spdif"
                            : *input == kAnalogIn ? "analog"
                                                  : nullptr;
    const ChannelGroup& in = m_channels.m_inputChannels;
    const ChannelGroup& out = m_channels.m_outputChannels;
    struct Level
    {
        const char* key;
        const char* label;
        const ChannelGroup& group;
        int record;
    };
    const Level levels[] = {{"input_left", "input left", in, 1},
                            {"input_right", "input right", in, 2},
                            {"output_left", "output left", out, 1},
                            {"output_right", "output right", out, 2}};
    // A value the device did not give is shown as unknown, not as 0 dB or off.
    auto levelText = [&](const Level& level) -> std::string
    {
        const std::optional<int16_t> volume =
            present && level.group.count != 0
                ? m_channels.ReadVolume(level.group.records[level.record])
                : std::nullopt;
        return volume ? DecibelText(*volume) : json ? "null" : "-";
    };
    auto muteText = [&](const ChannelGroup& group) -> std::string
    {
        const std::optional<bool> muted =
            present && group.count != 0 ? m_channels.ReadMute(group) : std::nullopt;
        if (!muted)
            return json ? "null" : "-";
        return json ? (*muted ? "true" : "false") : (*muted ? "on" : "off");
    };

    std::string& o = m_output.out;
    if (json)
    {
        std::string rateList = "null";
        if (rates)
        {
            rateList = "[";
            for (size_t i = 0; i < rates->size(); ++i)
                rateList += (i ? "," : "") + std::to_string((*rates)[i]);
            rateList += "]";
        }
        o += std::string("{\"device\":") + (present ? "true" : "false") +
             ",\"rate\":" + JsonNumber(rate) + ",\"rates\":" + rateList +
             ",\"streaming_mode_ms\":" + JsonNumber(mode) +
             ",\"asio_buffer\":" + JsonNumber(buffer) + ",\"asio_minimum\":" + JsonNumber(minimum) +
             ",\"input\":" + (inputName ? std::string("\"") + inputName + "\"" : "null") +
             ",\"levels\":{";
        for (size_t i = 0; i < std::size(levels); ++i)
            o += std::string(i ? "," : "") + "\"" + levels[i].key + "\":" + levelText(levels[i]);
        o += "},\"mutes\":{\"input\":" + muteText(in) + ",\"output\":" + muteText(out) + "}}\n";
    }
    else
    {
        auto line = [&](const char* label, const std::string& value)
        { o += std::string(label) + ": " + value + "\n"; };
        auto number = [](const std::optional<unsigned int>& value)
        { return value ? std::to_string(*value) : std::string("-"); };
        line("device", present ? "present" : "absent");
        line("rate", number(rate) + (rate ? " Hz" : ""));
        line("rates", rates ? List(*rates) : "-");
        line("streaming mode", number(mode) + (mode ? " ms" : ""));
        line("ASIO buffer", number(buffer) + (buffer ? " samples" : ""));
        line("ASIO minimum", number(minimum) + (minimum ? " samples" : ""));
        line("input", inputName ? inputName : "-");
        for (const Level& level : levels)
        {
            const std::string text = levelText(level);
            line(level.label, text + (text != "-" ? " dB" : ""));
        }
        line("input mute", muteText(in));
        line("output mute", muteText(out));
    }
    if (!present)
    {
        Open();
        return kExitRefused;
    }
    return kExitDone;
}

int Command::Rate(const std::string& text)
{
    const std::optional<unsigned int> rate = ParseNumber(text);
    if (!rate)
        return Usage("'" + text + "' is not a number");
    if (!Open())
        return kExitRefused;
    std::vector<unsigned int> rates;
    if (const DeviceResult listed = ReadSupportedSampleRates(m_session, rates); !listed.Ok())
        return Refused(listed);
    if (std::find(rates.begin(), rates.end(), *rate) == rates.end())
        return Usage("the device does not list " + text + " Hz (it lists " + List(rates) + ")");
    const DeviceResult result = SetSampleRate(m_session, *rate);
    return result.Ok() ? kExitDone : Refused(result);
}

int Command::Mode(const std::string& text)
{
    const std::optional<unsigned int> mode = ParseNumber(text);
    if (!mode)
        return Usage("'" + text + "' is not a number");
    if (!IsStreamingMode(*mode))
        return Usage("the streaming mode is " + ListOfStreamingModes(", ", " or ") + " ms, not " +
                     text);
    if (!Open())
        return kExitRefused;
    const DeviceResult result = SetStreamingMode(m_session, *mode);
    if (!result.Ok())
        return Refused(result);
    // A new mode can raise the smallest safe buffer above the one in use.
    if (const std::optional<unsigned int> size = CurrentAsioBufferSize(m_session))
        return CheckBuffer(*size);
    return kExitDone;
}

int Command::CheckBuffer(unsigned int size)
{
    const AsioMinimum minimum = MinimumAsioBufferSize(m_session);
    if (!minimum.failure.Ok())
        return Refused(minimum.failure);
    if (minimum.minimum > size)
        m_output.err += "warning: " + Line(AsioBufferTooSmallText(minimum.rate));
    return kExitDone;
}

int Command::Buffer(const std::string& text)
{
    const std::optional<unsigned int> size = ParseNumber(text);
    if (!size)
        return Usage("'" + text + "' is not a number");
    if (!IsAsioBufferSize(*size))
        return Usage("the ASIO buffer is " + ListOfAsioBufferSizes(", ", " or ") +
                     " samples, not " + text);
    if (!Open())
        return kExitRefused;
    // As in the panel: the size is set only when its minimum could be read.
    if (const int checked = CheckBuffer(*size); checked != kExitDone)
        return checked;
    const DeviceResult result = SetAsioBufferSize(m_session, *size);
    return result.Ok() ? kExitDone : Refused(result);
}

int Command::Input(const std::string& text)
{
    if (text != "spdif" && text != "analog")
        return Usage("the input is spdif or analog, not '" + text + "'");
    if (!Open())
        return kExitRefused;
    const DeviceResult result = SetInputSource(m_session, text == "spdif" ? kSpdifIn : kAnalogIn);
    return result.Ok() ? kExitDone : Refused(result);
}

int Command::Level(const std::string& direction, const std::string& side, const std::string& text)
{
    if (direction != "in" && direction != "out")
        return Usage("the level is of in or out, not '" + direction + "'");
    if (side != "left" && side != "right" && side != "both")
        return Usage("the side is left, right or both, not '" + side + "'");
    const std::optional<int> level = ParseDecibels(text);
    if (!level)
        return Usage("'" + text + "' is not a number of decibels");
    if (*level < INT16_MIN || *level > INT16_MAX)
        return Usage("the level " + text + " dB is out of range (-128 to 127.99609375 dB)");
    if (!Open())
        return kExitRefused;
    m_channels.Load();
    const ChannelGroup& group =
        direction == "in" ? m_channels.m_inputChannels : m_channels.m_outputChannels;
    for (int record : {1, 2})
    {
        if ((record == 1 && side == "right") || (record == 2 && side == "left"))
            continue;
        const std::optional<VolumeRange> range = ChannelModel::RangeOf(group, record);
        if (!range)
        {
            m_output.err += "the device describes no " + direction + "put level\n";
            return kExitRefused;
        }
        const int volume = std::clamp(*level, range->low, range->high);
        if (volume != *level)
            m_output.err += "note: " + text + " dB is kept to " + DecibelText(volume) + " dB\n";
        if (const UsbAudioStatus status =
                m_channels.SetVolume(group.records[record], static_cast<int16_t>(volume)))
            return Refused({L"DevSetVolume", status});
    }
    return kExitDone;
}

int Command::Mute(const std::string& direction, const std::string& state)
{
    if (direction != "in" && direction != "out")
        return Usage("the mute is of in or out, not '" + direction + "'");
    if (state != "on" && state != "off")
        return Usage("the mute is on or off, not '" + state + "'");
    if (!Open())
        return kExitRefused;
    m_channels.Load();
    const ChannelGroup& group =
        direction == "in" ? m_channels.m_inputChannels : m_channels.m_outputChannels;
    if (group.count == 0)
    {
        m_output.err += "the device describes no " + direction + "put channels\n";
        return kExitRefused;
    }
    if (const UsbAudioStatus status = m_channels.SetMute(group, state == "on"))
        return Refused({L"DevSetMute", status});
    return kExitDone;
}
int Command::PresetCommand(const std::vector<std::string>& args)
{
    const std::string action = args.size() > 1 ? args[1] : "";
    if (action == "list" && args.size() == 2)
    {
        for (const std::wstring& name : m_presets.List())
            m_output.out += Utf8(name) + "\n";
        return kExitDone;
    }
    if ((action != "save" && action != "load" && action != "delete") || args.size() != 3)
        return Usage("preset takes list, or save, load or delete and a name");
    const std::wstring name = Wide(args[2]);
    if (const std::string problem = PresetStore::NameProblem(name); !problem.empty())
        return Usage(problem);
    if (action == "delete")
    {
        if (!m_presets.Exists(name))
            return Usage("there is no preset \"" + args[2] + "\"");
        if (const std::optional<std::string> failure = m_presets.Delete(name))
        {
            m_output.err += *failure + "\n";
            return kExitRefused;
        }
        return kExitDone;
    }
    if (action == "load")
        return LoadPreset(name);
    if (!Open())
        return kExitRefused;
    if (const std::optional<std::string> failure =
            m_presets.Save(name, CapturePreset(m_session, m_channels)))
    {
        m_output.err += *failure + "\n";
        return kExitRefused;
    }
    return kExitDone;
}

int Command::LoadPreset(const std::wstring& name)
{
    if (!m_presets.Exists(name))
        return Usage("there is no preset \"" + Utf8(name) + "\"");
    PresetReading reading;
    if (const std::optional<std::string> failure = m_presets.Load(name, reading))
    {
        m_output.err += *failure + "\n";
        return kExitRefused;
    }
    for (const std::string& problem : reading.problems)
        m_output.err += problem + "\n";
    bool nothingToApply = false;
    for (const Notice& notice : reading.notices)
    {
        nothingToApply = nothingToApply || notice.kind == Notice::Kind::Error;
        m_output.err += (notice.kind == Notice::Kind::Note ? "note: " : "") + Line(notice.text);
    }
    if (nothingToApply)
        return kExitRefused;
    if (!Open())
        return kExitRefused;
    const PresetOutcome outcome = ApplyPreset(m_session, m_channels, reading.preset);
    for (const std::string& step : outcome.applied)
        m_output.out += "applied: " + step + "\n";
    std::vector<std::string> notApplied = outcome.notApplied;
    // The links are the running panel's; here there is none to take them.
    for (int direction : {Preset::Input, Preset::Output})
        if (reading.preset.links[direction])
            notApplied.push_back(std::string(direction == Preset::Input ? "input" : "output") +
                                 " link: only the panel links faders");
    for (const std::string& step : notApplied)
        m_output.err += "not applied: " + step + "\n";
    // Warnings that are not a step's refusal, such as a buffer below the minimum.
    for (const Notice& notice : outcome.notices)
        if (notice.kind == Notice::Kind::Warning)
            m_output.err += "warning: " + Line(notice.text);
    return notApplied.empty() && reading.problems.empty() ? kExitDone : kExitRefused;
}
} // namespace

int RunKv58Ctl(const std::vector<std::string>& args, const UsbAudioApi& api, const HidApi& hid,
               CtlOutput& output)
{
    Command command(api, hid, output);
    return command.Run(args);
}
