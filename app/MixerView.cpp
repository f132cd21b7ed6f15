#include "../mixer/VolumeMapping.h"
#include "GUI_KV58Dlg.h"

namespace
{
void ApplyRange(const ChannelGroup& group, int record, CPngSlider& fader)
{
    if (const std::optional<VolumeRange> range = ChannelModel::RangeOf(group, record))
    {
        fader.m_rangeMin = range->low;
        fader.m_rangeMax = range->high;
        fader.Invalidate();
    }
}
} // namespace

void CGUI_KV58Dlg::LoadChannelGroups()
{
    m_channels.Load();
    ApplyRange(m_channels.m_inputChannels, 1, m_fader1);
    ApplyRange(m_channels.m_inputChannels, 2, m_fader2);
    ApplyRange(m_channels.m_outputChannels, 1, m_fader3);
    ApplyRange(m_channels.m_outputChannels, 2, m_fader4);
}

void CGUI_KV58Dlg::ShowChannel(const ChannelRecord& record, CPngSlider& fader, CWnd& readout)
{
    const int16_t volume = m_channels.ReadVolume(record);
    fader.SetPos(PositionFromVolume(fader.m_rangeMin, fader.m_rangeMax, volume));
    ::SetWindowTextW(readout.m_hWnd, ReadoutText(volume).c_str());
}

void CGUI_KV58Dlg::ShowMute(const ChannelGroup& group, CGdipButton& button)
{
    button.SetToggled(m_channels.ReadMute(group));
}

void CGUI_KV58Dlg::ReadMixerState()
{
    if (!m_session.IsOpen())
        return;
    ShowChannel(m_channels.m_inputChannels.records[1], m_fader1, m_label1);
    ShowChannel(m_channels.m_inputChannels.records[2], m_fader2, m_label2);
    ShowMute(m_channels.m_inputChannels, m_btnMute1);
    ShowChannel(m_channels.m_outputChannels.records[1], m_fader3, m_label3);
    ShowChannel(m_channels.m_outputChannels.records[2], m_fader4, m_label4);
    ShowMute(m_channels.m_outputChannels, m_btnMute2);
}

void CGUI_KV58Dlg::SendFaderVolume(CPngSlider& fader)
{
    const std::optional<FaderBinding> binding = BindingOf(fader);
    if (!binding)
        return;
    const int16_t volume = VolumeFromPosition(fader.m_rangeMin, fader.m_rangeMax, fader.m_pos);
    m_channels.SetVolume(binding->group->records[binding->record], volume);
    ::SetWindowTextW(binding->readout->m_hWnd, ReadoutText(volume).c_str());
}

void CGUI_KV58Dlg::SendMute(const ChannelGroup& group, const CGdipButton& button)
{
    m_channels.SetMute(group, button.m_toggled);
}
