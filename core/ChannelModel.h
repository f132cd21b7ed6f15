#pragma once
#include "DeviceSession.h"
#include "../device/DeviceRecords.h"
#include <cstdint>
#include <optional>

// One direction's channels: record 0 is the master record the panel builds,
// records 1.. are the driver's channels (1 = left, 2 = right).
struct ChannelGroup
{
    ChannelRecord records[8];
    uint32_t count;
    uint8_t masterBuilt;
};
static_assert(sizeof(ChannelRecord) * 8 == 2720);

// A channel's volume range in 1/256 dB, low end first.
struct VolumeRange
{
    int low;
    int high;
};

// The mixer's channels: their descriptions, volumes and mutes.
class ChannelModel
{
public:
    explicit ChannelModel(DeviceSession& session) : m_session(session) {}

    // Reads both directions' descriptions; empty groups without a device.
    void Load();
    // Nothing when the read failed (the panel shows that as 0 dB, not muted).
    std::optional<int16_t> ReadVolume(const ChannelRecord& record) const;
    std::optional<bool> ReadMute(const ChannelGroup& group) const;
    UsbAudioStatus SetVolume(const ChannelRecord& record, int16_t volume) const;
    UsbAudioStatus SetMute(const ChannelGroup& group, bool muted) const;
    // The range of a group's channel (1 or 2); nothing when it has no volume control.
    static std::optional<VolumeRange> RangeOf(const ChannelGroup& group, int record);
    // A direction's group: 0 the inputs, 1 the outputs.
    const ChannelGroup& Group(unsigned int direction) const
    {
        return direction == 0 ? m_inputChannels : m_outputChannels;
    }

    ChannelGroup m_inputChannels{};
    ChannelGroup m_outputChannels{};

private:
    DeviceSession& m_session;
};
