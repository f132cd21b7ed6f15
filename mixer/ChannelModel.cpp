#include "../app/GUI_KV58Dlg.h"
#include "VolumeMapping.h"
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

// A range whose ends come reversed is still the same range.
void ApplyRange(CPngSlider& fader, const ChannelRecord& record)
{
    fader.m_rangeMin = std::min(record.volumeMin, record.volumeMax);
    fader.m_rangeMax = std::max(record.volumeMin, record.volumeMax);
    fader.Invalidate();
}

void ApplyRanges(const ChannelGroup& group, CPngSlider& left, CPngSlider& right)
{
    if (group.count == 0 || !(group.records[1].controlFlags & kHasVolumeControl))
        return;
    ApplyRange(left, group.records[1]);
    ApplyRange(right, group.records[2]);
}
} // namespace

void CGUI_KV58Dlg::LoadChannelGroups()
{
    m_inputChannels = ChannelGroup{};
    m_outputChannels = ChannelGroup{};
    if (!m_hDevice)
        return;

    if (QueryGroup(m_api, m_hDevice, 1, m_inputChannels))
    {
        ApplyFixedInputDescription(m_inputChannels.records[1], 1);
        ApplyFixedInputDescription(m_inputChannels.records[2], 2);
        BuildMasterRecord(m_inputChannels);
    }
    if (QueryGroup(m_api, m_hDevice, 0, m_outputChannels))
        BuildMasterRecord(m_outputChannels);

    ApplyRanges(m_inputChannels, m_fader1, m_fader2);
    ApplyRanges(m_outputChannels, m_fader3, m_fader4);
}

int16_t CGUI_KV58Dlg::ReadVolume(const ChannelRecord& record)
{
    int16_t volume = 0;
    if (m_api.AudioControlRequestGet(m_hDevice, record.featureUnitId, kGetCur, kVolumeControl,
                                     record.channelNumber, &volume, sizeof volume, nullptr,
                                     kRequestTimeoutMs) != 0)
        return 0;
    return volume;
}

bool CGUI_KV58Dlg::ReadMute(const ChannelGroup& group)
{
    uint8_t muted = 0;
    return m_api.AudioControlRequestGet(m_hDevice, group.records[0].featureUnitId, kGetCur,
                                        kMuteControl, 0, &muted, sizeof muted, nullptr,
                                        kRequestTimeoutMs) == 0 &&
           muted != 0;
}

void CGUI_KV58Dlg::ShowChannel(const ChannelRecord& record, CPngSlider& fader, CWnd& readout)
{
    const int16_t volume = ReadVolume(record);
    fader.SetPos(PositionFromVolume(fader.m_rangeMin, fader.m_rangeMax, volume));
    ::SetWindowTextW(readout.m_hWnd, ReadoutText(volume).c_str());
}

void CGUI_KV58Dlg::ShowMute(const ChannelGroup& group, CGdipButton& button)
{
    button.SetToggled(ReadMute(group));
}

void CGUI_KV58Dlg::ReadMixerState()
{
    if (!m_hDevice)
        return;
    ShowChannel(m_inputChannels.records[1], m_fader1, m_label1);
    ShowChannel(m_inputChannels.records[2], m_fader2, m_label2);
    ShowMute(m_inputChannels, m_btnMute1);
    ShowChannel(m_outputChannels.records[1], m_fader3, m_label3);
    ShowChannel(m_outputChannels.records[2], m_fader4, m_label4);
    ShowMute(m_outputChannels, m_btnMute2);
}

void CGUI_KV58Dlg::SendFaderVolume(CPngSlider& fader)
{
    const std::optional<FaderBinding> binding = BindingOf(fader);
    if (!binding)
        return;
    const ChannelRecord& record = binding->group->records[binding->record];
    int16_t volume = VolumeFromPosition(fader.m_rangeMin, fader.m_rangeMax, fader.m_pos);
    m_api.AudioControlRequestSet(m_hDevice, record.featureUnitId, kSetCur, kVolumeControl,
                                 record.channelNumber, &volume, sizeof volume, nullptr,
                                 kRequestTimeoutMs);
    ::SetWindowTextW(binding->readout->m_hWnd, ReadoutText(volume).c_str());
}

void CGUI_KV58Dlg::SendMute(const ChannelGroup& group, const CGdipButton& button)
{
    uint8_t muted = button.m_toggled ? 1 : 0;
    m_api.AudioControlRequestSet(m_hDevice, group.records[0].featureUnitId, kSetCur, kMuteControl,
                                 0, &muted, sizeof muted, nullptr, kRequestTimeoutMs);
}
