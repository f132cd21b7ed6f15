#include "PresetApply.h"
#include "Decibels.h"
#include "DeviceSettings.h"
#include "TextEncoding.h"
#include <algorithm>

namespace
{
constexpr const char* kLevelNames[] = {"input left level", "input right level", "output left level",
                                       "output right level"};
constexpr const char* kMuteNames[] = {"input mute", "output mute"};

class Steps
{
public:
    Steps(const UsbAudioApi& api, PresetOutcome& outcome) : m_api(api), m_outcome(outcome) {}

    void Done(const std::string& step) { m_outcome.applied.push_back(step); }
    void NotDone(const std::string& step, const std::string& reason)
    {
        m_outcome.notApplied.push_back(step + ": " + reason);
    }
    // A driver's refusal, in the panel's words.
    void Refused(const std::string& step, const DeviceResult& result)
    {
        const Notice notice = BusyOrErrorNotice(m_api, result);
        NotDone(step, OneLine(notice.text));
        Say(notice);
    }
    void Say(const Notice& notice)
    {
        if (std::find(m_outcome.notices.begin(), m_outcome.notices.end(), notice) ==
            m_outcome.notices.end())
            m_outcome.notices.push_back(notice);
    }
    void Apply(const std::string& step, const DeviceResult& result)
    {
        if (result.Ok())
            Done(step);
        else
            Refused(step, result);
    }

private:
    const UsbAudioApi& m_api;
    PresetOutcome& m_outcome;
};
} // namespace

Preset CapturePreset(DeviceSession& session, ChannelModel& channels)
{
    Preset preset;
    preset.rate = CurrentSampleRate(session);
    preset.streamingModeMs = StreamingMode(session);
    preset.asioBuffer = CurrentAsioBufferSize(session);
    preset.inputSource = ReadInputSource(session);
    channels.Load();
    for (int level = 0; level < 4; ++level)
    {
        const ChannelGroup& group = channels.Group(level / 2);
        if (group.count != 0)
            preset.levels[level] = channels.ReadVolume(group.records[1 + level % 2]);
    }
    for (int direction : {Preset::Input, Preset::Output})
        if (channels.Group(direction).count != 0)
            preset.mutes[direction] = channels.ReadMute(channels.Group(direction));
    return preset;
}

PresetOutcome ApplyPreset(DeviceSession& session, ChannelModel& channels, const Preset& preset)
{
    PresetOutcome outcome;
    Steps steps(session.Api(), outcome);

    if (preset.rate)
    {
        const std::string step = "rate " + std::to_string(*preset.rate) + " Hz";
        std::vector<unsigned int> rates;
        const DeviceResult listed = ReadSupportedSampleRates(session, rates);
        if (!listed.Ok())
            steps.Refused(step, listed);
        else if (std::find(rates.begin(), rates.end(), *preset.rate) == rates.end())
            steps.NotDone(step, "the device does not list this rate");
        else
            steps.Apply(step, SetSampleRate(session, *preset.rate));
    }
    if (preset.streamingModeMs)
        steps.Apply("streaming mode " + std::to_string(*preset.streamingModeMs) + " ms",
                    SetStreamingMode(session, *preset.streamingModeMs));
    if (preset.asioBuffer)
    {
        const std::string step = "ASIO buffer " + std::to_string(*preset.asioBuffer) + " samples";
        // As in the panel: set only when the minimum could be read; below it, a warning.
        const AsioMinimum minimum = MinimumAsioBufferSize(session);
        if (!minimum.failure.Ok())
        {
            steps.Refused(step, minimum.failure);
        }
        else
        {
            if (minimum.minimum > *preset.asioBuffer)
                steps.Say({Notice::Kind::Warning, AsioBufferTooSmallText(minimum.rate)});
            steps.Apply(step, SetAsioBufferSize(session, *preset.asioBuffer));
        }
    }
    else if (preset.streamingModeMs)
    {
        // A new mode can raise the smallest safe buffer above the one in use.
        const AsioMinimum minimum = MinimumAsioBufferSize(session);
        const std::optional<unsigned int> size = CurrentAsioBufferSize(session);
        if (minimum.failure.Ok() && size && minimum.minimum > *size)
            steps.Say({Notice::Kind::Warning, AsioBufferTooSmallText(minimum.rate)});
    }
    if (preset.inputSource)
        steps.Apply(std::string("input ") + (*preset.inputSource == kSpdifIn ? "spdif" : "analog"),
                    SetInputSource(session, *preset.inputSource));

    channels.Load();
    for (int level = 0; level < 4; ++level)
    {
        if (!preset.levels[level])
            continue;
        const std::string step =
            std::string(kLevelNames[level]) + " " + DecibelText(*preset.levels[level]) + " dB";
        const ChannelGroup& group = channels.Group(level / 2);
        const std::optional<VolumeRange> range = ChannelModel::RangeOf(group, 1 + level % 2);
        if (!range)
        {
            steps.NotDone(step, "the device describes no such channel");
            continue;
        }
        const int volume = std::clamp(*preset.levels[level], range->low, range->high);
        const UsbAudioStatus status =
            channels.SetVolume(group.records[1 + level % 2], static_cast<int16_t>(volume));
        steps.Apply(volume == *preset.levels[level]
                        ? step
                        : step + " (kept to " + DecibelText(volume) + " dB)",
                    {L"DevSetVolume", status});
    }
    for (int direction : {Preset::Input, Preset::Output})
    {
        if (!preset.mutes[direction])
            continue;
        const std::string step =
            std::string(kMuteNames[direction]) + (*preset.mutes[direction] ? " on" : " off");
        const ChannelGroup& group = channels.Group(direction);
        if (group.count == 0)
            steps.NotDone(step, "the device describes no such channels");
        else
            steps.Apply(step, {L"DevSetMute", channels.SetMute(group, *preset.mutes[direction])});
    }
    return outcome;
}
