#include "GUI_KV58Dlg.h"
#include "resource.h"

std::array<CGUI_KV58Dlg::FaderBinding, 4> CGUI_KV58Dlg::FaderBindings()
{
    return {{
        {&m_fader1, Preset::InputLeft, &m_label1, &m_fader2, &m_btnLink1},
        {&m_fader2, Preset::InputRight, &m_label2, &m_fader1, &m_btnLink1},
        {&m_fader3, Preset::OutputLeft, &m_label3, &m_fader4, &m_btnLink2},
        {&m_fader4, Preset::OutputRight, &m_label4, &m_fader3, &m_btnLink2},
    }};
}

std::optional<CGUI_KV58Dlg::FaderBinding> CGUI_KV58Dlg::BindingOf(const CPngSlider& fader)
{
    for (const FaderBinding& binding : FaderBindings())
        if (binding.fader == &fader)
            return binding;
    return std::nullopt;
}

LRESULT CGUI_KV58Dlg::OnFaderChanged(WPARAM id, LPARAM position)
{
    auto* fader =
        dynamic_cast<CPngSlider*>(CWnd::FromHandle(::GetDlgItem(m_hWnd, static_cast<int>(id))));
    if (!fader)
        return 0;
    const std::optional<FaderBinding> binding = BindingOf(*fader);
    if (!binding)
        return 0;
    int partnerPos = static_cast<int>(position);
    // The message's position is the user's: a state from the device that
    // came in before it may have moved the thumb since.
    if (!fader->m_resetRequest && fader->m_pos != partnerPos)
        fader->SetPos(partnerPos);
    if (fader->m_resetRequest)
    {
        fader->SetPos(fader->m_rangeMin);
        fader->m_resetRequest = FALSE;
        // The message was posted before the reset: a quick Ctrl+click sends
        // no later one, and a linked partner would stay behind.
        partnerPos = fader->m_pos;
    }
    SendFaderVolume(*fader);
    // The partner takes the position number itself, clamped to its own range;
    // SetPos posts nothing, so the partner's move does not echo back.
    if (binding->link->m_toggled)
    {
        binding->partner->SetPos(partnerPos);
        SendFaderVolume(*binding->partner);
    }
    return 0;
}

void CGUI_KV58Dlg::OnBnClickedMute1()
{
    Sent(m_device.SetMute(Preset::Input, m_btnMute1.m_toggled != FALSE), IDC_MUTE_INPUT);
}

void CGUI_KV58Dlg::OnBnClickedMute2()
{
    Sent(m_device.SetMute(Preset::Output, m_btnMute2.m_toggled != FALSE), IDC_MUTE_OUTPUT);
}
