#include "../core/DeviceSettings.h"
#include "../settings/ComboSelection.h"
#include "GUI_KV58Dlg.h"
#include <string>

namespace
{
std::wstring RateText(unsigned int rate)
{
    return std::to_wstring(rate) + L" Hz";
}
} // namespace

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

UsbAudioStatus CGUI_KV58Dlg::SendHidRateReport(bool firstFlag, bool secondFlag)
{
    return m_session.SendHidRateReport(firstFlag, secondFlag);
}

UsbAudioStatus CGUI_KV58Dlg::OpenHidDevice(uint16_t vendorId, uint16_t productId)
{
    return m_session.OpenHidDevice(vendorId, productId);
}

void CGUI_KV58Dlg::SendRateReportFor(unsigned int rate)
{
    ::SendRateReportFor(m_session, rate);
}

void CGUI_KV58Dlg::FillSampleRates()
{
    m_cbSampleRate.ResetContent();
    const std::optional<std::vector<unsigned int>> rates = SupportedSampleRates(m_session);
    if (!rates)
        return;
    for (unsigned int rate : *rates)
        m_cbSampleRate.SetItemData(m_cbSampleRate.AddString(RateText(rate)), rate);

    std::optional<unsigned int> current = CurrentSampleRate(m_session);
    if (!current)
        return;
    if (*current < kLowestSampleRate)
    {
        // The panel shows such a rate as the lowest one it offers; the device keeps its own.
        SendRateReportFor(kLowestSampleRate);
        current = kLowestSampleRate;
    }
    const int item = m_cbSampleRate.FindStringExact(RateText(*current));
    if (item != CB_ERR)
        m_cbSampleRate.SetCurSel(item);
    SendRateReportFor(*current);
}

void CGUI_KV58Dlg::ShowCurrentSampleRate()
{
    const std::optional<unsigned int> current = CurrentSampleRate(m_session);
    if (!current)
        return;
    // A rate the list does not hold clears the selection rather than show a stale one.
    m_cbSampleRate.SetCurSel(m_cbSampleRate.FindStringExact(RateText(*current)));
    SendRateReportFor(*current);
}

void CGUI_KV58Dlg::OnSelchangeSampleRate()
{
    const std::optional<DWORD_PTR> data = SelectedItemData(m_cbSampleRate);
    if (!data)
        return;
    const auto rate = static_cast<unsigned int>(*data);
    const DeviceResult result = SetSampleRate(m_session, rate);
    if (!result.Ok())
        ReportBusyOrError(result.label, result.status);
    RefreshDeviceControls();
}
