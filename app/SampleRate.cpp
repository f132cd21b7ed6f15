#include "../core/SettingChoices.h"
#include "ComboSelection.h"
#include "GUI_KV58Dlg.h"
#include "resource.h"
#include <string>

void CGUI_KV58Dlg::ScaleSampleRateField()
{
    HWND box = m_cbSampleRate.m_hWnd;
    HDC dc = ::GetDC(box);
    if (!dc)
        return;
    TEXTMETRICW metrics{};
    {
        ScopedSelect font(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(box, WM_GETFONT, 0, 0)));
        ::GetTextMetricsW(dc, &metrics);
    }
    ::ReleaseDC(box, dc);
    const auto field =
        static_cast<int>(::SendMessageW(box, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    if (m_sampleRateFieldMargin < 0)
        m_sampleRateFieldMargin = field - metrics.tmHeight;
    if (field <= 0 || m_sampleRateFieldMargin < 0)
        return;
    const int scaled = metrics.tmHeight + ::MulDiv(m_sampleRateFieldMargin, m_dpi, 96);
    if (scaled == field)
        return;
    ::SendMessageW(box, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), scaled);
    // Wine's box reports a set height two pixels taller than it was given:
    // asked again with the difference taken off, it has the height we mean.
    const auto reported =
        static_cast<int>(::SendMessageW(box, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    if (reported != scaled && 2 * scaled - reported > 0)
        ::SendMessageW(box, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 2 * scaled - reported);
}

void CGUI_KV58Dlg::ShowSampleRates(const DeviceState& state, const DeviceState& shown)
{
    if (state.rates != shown.rates)
    {
        m_cbSampleRate.ResetContent();
        for (unsigned int rate : state.rates)
            m_cbSampleRate.SetItemData(m_cbSampleRate.AddString(SampleRateText(rate)), rate);
    }
    if (Edited(IDC_SAMPLE_RATE, state))
        return;
    // A rate the list does not hold clears the selection rather than show a stale one.
    m_cbSampleRate.SetCurSel(
        state.rate ? m_cbSampleRate.FindStringExact(SampleRateText(*state.rate)) : CB_ERR);
}

void CGUI_KV58Dlg::OnSelchangeSampleRate()
{
    if (const std::optional<DWORD_PTR> data = SelectedItemData(m_cbSampleRate))
        Sent(m_device.SetRate(static_cast<unsigned int>(*data)), IDC_SAMPLE_RATE);
}
