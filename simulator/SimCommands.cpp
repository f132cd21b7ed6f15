#include "SimCommands.h"
#include "Connections.h"
#include "DeviceModel.h"
#include "SharedDevice.h"
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace
{
using namespace sim;
using Action = std::function<void(DeviceState&, std::string& output)>;
using Arguments = std::vector<std::string>;

constexpr uint32_t kNotifySampleRate = 1;
constexpr uint32_t kNotifyVolume = 3;
constexpr uint32_t kNotifyMute = 4;
constexpr uint32_t kMaxNotifyCount = 100000;

const char kUsage[] =
    "usage: kv58sim COMMAND [ARGUMENTS]\n"
    "  plug                        attach the device (PnP message, wParam 1)\n"
    "  unplug                      detach it (PnP message, wParam 2)\n"
    "  devices N                   N attached devices, 0..2 (PnP message when it changes)\n"
    "  rate HZ                     change the current rate (queues notification 1)\n"
    "  rates HZ[,HZ...]            supported rates, 1 to 16 values\n"
    "  volume in|out 1|2 VALUE     volume in 1/256 dB, -32768..32767 (queues 3)\n"
    "  mute in|out 0|1             master mute (queues 4)\n"
    "  input 1|2                   input selector value\n"
    "  mode MS                     streaming mode, 1 or more\n"
    "  buffer SAMPLES              ASIO buffer size, 1 or more\n"
    "  min-buffer SAMPLES|auto     minimum ASIO buffer; auto: 64 up to mode 2, above that\n"
    "                              the power of two >= rate x mode / 2000, 64..8192\n"
    "  busy none|sound|asio        SetSampleRate and SetUsbStreamingMode answer\n"
    "                              0xE0001001 (sound) or 0xE0001002 (asio)\n"
    "  stall MS                    every control request (Get, Set) takes MS ms, 0..600000\n"
    "  fail FUNCTION STATUS [once] FUNCTION as in the log (SetSampleRate, Get, Set, ...);\n"
    "                              STATUS non-zero, decimal or 0x hex\n"
    "  clear-faults\n"
    "  notify TYPE [COUNT]         queue COUNT (1..100000) notifications to every open handle\n"
    "  state                       print the state as key=value lines\n"
    "  log                         print the call log, oldest first\n"
    "  log --times                 each line after its time in milliseconds\n"
    "  log clear                   empty the call log\n"
    "  reset                       back to the default state (no PnP message)\n";

bool ParseUnsigned(const std::string& text, uint32_t* value, int base = 10)
{
    const char* digits = base == 16 ? "0123456789abcdefABCDEF" : "0123456789";
    if (text.empty() || text.size() > 10 || text.find_first_not_of(digits) != std::string::npos)
        return false;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, base);
    if (errno != 0 || parsed > UINT32_MAX)
        return false;
    *value = static_cast<uint32_t>(parsed);
    return true;
}

bool ParseInRange(const std::string& text, uint32_t low, uint32_t high, uint32_t* value)
{
    return ParseUnsigned(text, value) && *value >= low && *value <= high;
}

bool ParseStatus(const std::string& text, uint32_t* value)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    return (hex ? ParseUnsigned(text.substr(2), value, 16) : ParseUnsigned(text, value)) &&
           *value != 0;
}

bool ParseVolume(const std::string& text, int16_t* value)
{
    const bool negative = !text.empty() && text[0] == '-';
    uint32_t magnitude = 0;
    if (!ParseUnsigned(negative ? text.substr(1) : text, &magnitude) ||
        magnitude > (negative ? 32768u : 32767u))
        return false;
    *value = static_cast<int16_t>(negative ? -static_cast<int32_t>(magnitude)
                                           : static_cast<int32_t>(magnitude));
    return true;
}

bool ParseDirection(const std::string& text, Direction* direction)
{
    if (text != "in" && text != "out")
        return false;
    *direction = text == "in" ? kInput : kOutput;
    return true;
}

bool ParseRates(const std::string& text, std::vector<uint32_t>* rates)
{
    size_t start = 0;
    for (;;)
    {
        const size_t comma = text.find(',', start);
        uint32_t rate = 0;
        if (!ParseUnsigned(text.substr(start, comma - start), &rate) || rates->size() == kMaxRates)
            return false;
        rates->push_back(rate);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

const char* BusyName(Busy busy)
{
    switch (busy)
    {
    case Busy::SoundDevice:
        return "sound";
    case Busy::Asio:
        return "asio";
    default:
        return "none";
    }
}

void PrintState(DeviceState& state, std::string& output)
{
    std::string rates;
    for (uint32_t i = 0; i < state.rateCount; ++i)
        rates += (i ? "," : "") + std::to_string(state.rates[i]);
    const std::string minimum = state.minimumBufferOverride
                                    ? std::to_string(state.minimumBufferOverride)
                                    : std::string("auto");
    const std::pair<const char*, std::string> lines[] = {
        {"attached", state.devices > 0 ? "1" : "0"},
        {"devices", std::to_string(state.devices)},
        {"rate", std::to_string(state.rate)},
        {"rates", rates},
        {"mode", std::to_string(state.streamingMode)},
        {"buffer", std::to_string(state.asioBuffer)},
        {"min-buffer", minimum},
        {"input", std::to_string(state.inputSelector)},
        {"in.volume1", std::to_string(state.volume[kInput][0])},
        {"in.volume2", std::to_string(state.volume[kInput][1])},
        {"in.mute", std::to_string(state.mute[kInput])},
        {"out.volume1", std::to_string(state.volume[kOutput][0])},
        {"out.volume2", std::to_string(state.volume[kOutput][1])},
        {"out.mute", std::to_string(state.mute[kOutput])},
        {"busy", BusyName(state.busy)},
        {"stall", std::to_string(state.controlRequestMs)},
        {"open-handles", std::to_string(CountOpenHandles(state))},
    };
    for (const auto& [key, value] : lines)
        output += std::string(key) + "=" + value + "\n";
}

void PrintLog(const DeviceState& state, std::string& output)
{
    for (uint32_t i = 0; i < state.logCount; ++i)
        output += std::string(state.log[(state.logHead + i) % kLogCapacity]) + "\n";
}

// Each line after the milliseconds of its call on the performance counter's
// clock, which every process of the machine shares.
void PrintTimedLog(const DeviceState& state, std::string& output)
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    char stamp[32];
    for (uint32_t i = 0; i < state.logCount; ++i)
    {
        const uint32_t slot = (state.logHead + i) % kLogCapacity;
        std::snprintf(stamp, sizeof stamp, "%.3f ",
                      state.logTime[slot] * 1000.0 / static_cast<double>(frequency.QuadPart));
        output += stamp + std::string(state.log[slot]) + "\n";
    }
}

// The command's action, or an empty one when the arguments are wrong.
Action Parse(const Arguments& a)
{
    if (a.empty())
        return {};
    const std::string& command = a[0];
    const size_t count = a.size();
    uint32_t number = 0;
    Direction direction = kInput;

    if (command == "plug" && count == 1)
        return [](DeviceState& s, std::string&)
        {
            SetAttachedDevices(s, std::max<uint32_t>(s.devices, 1));
            PostPnpMessage(s, kPnpArrival);
        };
    if (command == "unplug" && count == 1)
        return [](DeviceState& s, std::string&)
        {
            SetAttachedDevices(s, 0);
            PostPnpMessage(s, kPnpRemoval);
        };
    if (command == "devices" && count == 2 && ParseInRange(a[1], 0, kMaxDevices, &number))
        return [number](DeviceState& s, std::string&)
        {
            const uint32_t before = s.devices;
            SetAttachedDevices(s, number);
            if (number != before)
                PostPnpMessage(s, number > before ? kPnpArrival : kPnpRemoval);
        };
    if (command == "rate" && count == 2 && ParseUnsigned(a[1], &number))
        return [number](DeviceState& s, std::string&)
        {
            s.rate = number;
            QueueNotifications(s, kNotifySampleRate, 1);
        };
    std::vector<uint32_t> rates;
    if (command == "rates" && count == 2 && ParseRates(a[1], &rates))
        return [rates](DeviceState& s, std::string&)
        {
            std::copy(rates.begin(), rates.end(), s.rates);
            s.rateCount = static_cast<uint32_t>(rates.size());
        };
    int16_t volume = 0;
    if (command == "volume" && count == 4 && ParseDirection(a[1], &direction) &&
        ParseInRange(a[2], 1, 2, &number) && ParseVolume(a[3], &volume))
        return [direction, number, volume](DeviceState& s, std::string&)
        {
            s.volume[direction][number - 1] = volume;
            QueueNotifications(s, kNotifyVolume, 1);
        };
    if (command == "mute" && count == 3 && ParseDirection(a[1], &direction) &&
        ParseInRange(a[2], 0, 1, &number))
        return [direction, number](DeviceState& s, std::string&)
        {
            s.mute[direction] = static_cast<uint8_t>(number);
            QueueNotifications(s, kNotifyMute, 1);
        };
    if (command == "input" && count == 2 && ParseInRange(a[1], 1, 2, &number))
        return [number](DeviceState& s, std::string&)
        { s.inputSelector = static_cast<uint8_t>(number); };
    if (command == "mode" && count == 2 && ParseInRange(a[1], 1, UINT32_MAX, &number))
        return [number](DeviceState& s, std::string&) { s.streamingMode = number; };
    if (command == "buffer" && count == 2 && ParseInRange(a[1], 1, UINT32_MAX, &number))
        return [number](DeviceState& s, std::string&) { s.asioBuffer = number; };
    if (command == "min-buffer" && count == 2 &&
        (a[1] == "auto" || ParseInRange(a[1], 1, UINT32_MAX, &number)))
        return [number](DeviceState& s, std::string&) { s.minimumBufferOverride = number; };
    if (command == "busy" && count == 2 && (a[1] == "none" || a[1] == "sound" || a[1] == "asio"))
    {
        const Busy busy = a[1] == "sound"  ? Busy::SoundDevice
                          : a[1] == "asio" ? Busy::Asio
                                           : Busy::None;
        return [busy](DeviceState& s, std::string&) { s.busy = busy; };
    }
    if (command == "stall" && count == 2 && ParseInRange(a[1], 0, 600000, &number))
        return [number](DeviceState& s, std::string&) { s.controlRequestMs = number; };
    if (command == "fail" && (count == 3 || (count == 4 && a[3] == "once")))
    {
        std::string function = a[1];
        if (function == "AudioControlRequestGet" || function == "AudioControlRequestSet")
            function = function.substr(function.size() - 3);
        const bool once = count == 4;
        if (IsFaultableFunction(function) && ParseStatus(a[2], &number))
            return [function, number, once](DeviceState& s, std::string&)
            { AddFault(s, function, number, once); };
    }
    if (command == "clear-faults" && count == 1)
        return [](DeviceState& s, std::string&) { ClearFaults(s); };
    uint32_t notifications = 1;
    if (command == "notify" && (count == 2 || count == 3) && ParseUnsigned(a[1], &number) &&
        (count == 2 || ParseInRange(a[2], 1, kMaxNotifyCount, &notifications)))
        return [number, notifications](DeviceState& s, std::string&)
        { QueueNotifications(s, number, notifications); };
    if (command == "state" && count == 1)
        return &PrintState;
    if (command == "log" && count == 1)
        return &PrintLog;
    if (command == "log" && count == 2 && a[1] == "--times")
        return &PrintTimedLog;
    if (command == "log" && count == 2 && a[1] == "clear")
        return [](DeviceState& s, std::string&) { ClearLog(s); };
    if (command == "reset" && count == 1)
        return [](DeviceState& s, std::string&) { ResetDevice(s); };
    return {};
}
} // namespace

namespace sim
{
int RunCommand(const Arguments& arguments, std::FILE* out, std::FILE* err)
{
    const Action action = Parse(arguments);
    if (!action)
    {
        std::fputs(kUsage, err);
        return kExitUsage;
    }
    std::string output;
    SharedDevice device;
    if (!device.WithState([&](DeviceState& state) { action(state, output); }))
    {
        std::fputs("kv58sim: the simulated device cannot be reached\n", err);
        return kExitUnavailable;
    }
    std::fwrite(output.data(), 1, output.size(), out);
    return kExitSuccess;
}
} // namespace sim
