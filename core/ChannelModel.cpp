#include "ChannelModel.h"
#include <algorithm>
#include <cstring>

namespace
{
constexpr unsigned char kGetCur = 0x81;
constexpr unsigned char kSetCur = 0x01;
constexpr unsigned char kMuteControl = 1;
constexpr unsigned char kVolumeControl = 2;
constexpr unsigned int kRequestTimeoutMs = 500;
constexpr unsigned int kDriverRecords = 7;
constexpr uint8_t kInputFeatureUnit = 14;
constexpr int16_t kInputVolumeMin = -22528; // -88 dB
constexpr uint32_t kHasVolumeControl = 1;

// The device reports the input pair wrongly; the panel knows its real range.
void ApplyFixedInputDescription(ChannelRecord& record, uint8_t channel)
{
    record.controlFlags = kHasVolumeControl;
    record.featureUnitId = kInputFeatureUnit;
    record.channelNumber = channel;
    record.volumeMin = kInputVolumeMin;
    record.volumeMax = 0;
    record.volumeResolution = 128;
}

// Record 0 addresses the feature unit's master channel, which carries the mute.
void BuildMasterRecord(ChannelGroup& group)
{
    ChannelRecord& master = group.records[0];
    master = group.records[1];
    master.identifier = -1;
    master.controlFlags = 2;
    master.channelNumber = 0;
    master.volumeMin = 0;
    master.volumeMax = 0;
    master.volumeResolution = 0;
    std::memset(master.name, 0, sizeof master.name);
    group.masterBuilt = 1;
    ++group.count;
}

bool QueryGroup(const UsbAudioApi& api, UsbAudioDeviceHandle device, unsigned int inputGroup,
                ChannelGroup& group)
{
    unsigned int count = 0;
    if (api.GetChannelProperties(device, inputGroup, kDriverRecords, &group.records[1], &count) !=
        0)
    {
        // Whatever a failing driver wrote is not a description.
        group = ChannelGroup{};
        return false;
    }
    // Never trust a count beyond the room the driver was given.
    group.count = std::min(count, kDriverRecords);
    return true;
}
} // namespace

void ChannelModel::Load()
{
    m_inputChannels = ChannelGroup{};
    m_outputChannels = ChannelGroup{};
    if (!m_session.IsOpen())
        return;

    if (QueryGroup(m_session.Api(), m_session.Device(), 1, m_inputChannels))
    {
        ApplyFixedInputDescription(m_inputChannels.records[1], 1);
        ApplyFixedInputDescription(m_inputChannels.records[2], 2);
        BuildMasterRecord(m_inputChannels);
    }
    if (QueryGroup(m_session.Api(), m_session.Device(), 0, m_outputChannels))
        BuildMasterRecord(m_outputChannels);
}

std::optional<int16_t> ChannelModel::ReadVolume(const ChannelRecord& record) const
{
    int16_t volume = 0;
    if (m_session.Api().AudioControlRequestGet(m_session.Device(), record.featureUnitId, kGetCur,
                                               kVolumeControl, record.channelNumber, &volume,
                                               sizeof volume, nullptr, kRequestTimeoutMs) != 0)
        return std::nullopt;
    return volume;
}

std::optional<bool> ChannelModel::ReadMute(const ChannelGroup& group) const
{
    uint8_t muted = 0;
    if (m_session.Api().AudioControlRequestGet(m_session.Device(), group.records[0].featureUnitId,
                                               kGetCur, kMuteControl, 0, &muted, sizeof muted,
                                               nullptr, kRequestTimeoutMs) != 0)
        return std::nullopt;
    return muted != 0;
}

UsbAudioStatus ChannelModel::SetVolume(const ChannelRecord& record, int16_t volume) const
{
    return m_session.Api().AudioControlRequestSet(m_session.Device(), record.featureUnitId, kSetCur,
                                                  kVolumeControl, record.channelNumber, &volume,
                                                  sizeof volume, nullptr, kRequestTimeoutMs);
}

UsbAudioStatus ChannelModel::SetMute(const ChannelGroup& group, bool muted) const
{
    uint8_t value = muted ? 1 : 0;
    return m_session.Api().AudioControlRequestSet(
        m_session.Device(), group.records[0].featureUnitId, kSetCur, kMuteControl, 0, &value,
        sizeof value, nullptr, kRequestTimeoutMs);
}

std::optional<VolumeRange> ChannelModel::RangeOf(const ChannelGroup& group, int record)
{
    if (group.count == 0 || !(group.records[1].controlFlags & kHasVolumeControl))
        return std::nullopt;
    // A range whose ends come reversed is still the same range.
    const ChannelRecord& channel = group.records[record];
    return VolumeRange{std::min(channel.volumeMin, channel.volumeMax),
                       std::max(channel.volumeMin, channel.volumeMax)};
}
