#include "../core/VolumeMapping.h"
#include "GUI_KV58Dlg.h"
#include "resource.h"

namespace
{
std::wstring TextOf(const CWnd& window)
{
    wchar_t text[32] = L"";
    ::GetWindowTextW(window.m_hWnd, text, 32);
    return text;
}
} // namespace

void CGUI_KV58Dlg::ShowMixer(const DeviceState& state)
{
    for (const FaderBinding& binding : FaderBindings())
    {
        CPngSlider& fader = *binding.fader;
        const std::optional<VolumeRange>& range = state.ranges[binding.level];
        const bool rangeChanged =
            range && (range->low != fader.m_rangeMin || range->high != fader.m_rangeMax);
        if (rangeChanged)
        {
            fader.m_rangeMin = range->low;
            fader.m_rangeMax = range->high;
            fader.SetPos(fader.m_pos);
        }
        const std::optional<int16_t>& volume = state.volumes[binding.level];
        // The user's move wins over the device's older value: a fader the
        // mouse holds keeps its place, unless the device changed its range.
        if (!volume || (!rangeChanged && (fader.m_dragging || Edited(fader.GetDlgCtrlID(), state))))
            continue;
        const int position = PositionFromVolume(fader.m_rangeMin, fader.m_rangeMax, *volume);
        if (position != fader.m_pos)
            fader.SetPos(position);
        if (const std::wstring text = ReadoutText(*volume); TextOf(*binding.readout) != text)
            ::SetWindowTextW(binding.readout->m_hWnd, text.c_str());
    }
    CGdipButton* mutes[] = {&m_btnMute1, &m_btnMute2};
    for (int direction : {Preset::Input, Preset::Output})
    {
        CGdipButton& button = *mutes[direction];
        const std::optional<bool>& muted = state.mutes[direction];
        if (muted && !Edited(button.GetDlgCtrlID(), state) && *muted != (button.m_toggled != FALSE))
            button.SetToggled(*muted);
    }
}

void CGUI_KV58Dlg::SendFaderVolume(CPngSlider& fader)
{
    const std::optional<FaderBinding> binding = BindingOf(fader);
    if (!binding)
        return;
    const int16_t volume = VolumeFromPosition(fader.m_rangeMin, fader.m_rangeMax, fader.m_pos);
    Sent(m_device.SetVolume(binding->level, volume), fader.GetDlgCtrlID());
    ::SetWindowTextW(binding->readout->m_hWnd, ReadoutText(volume).c_str());
}
