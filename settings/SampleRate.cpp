#include "../app/GUI_KV58Dlg.h"
#include <algorithm>
#include <string>

namespace
{
constexpr unsigned int kMaxRates = 16;
constexpr unsigned int kLowestRate = 44100;
constexpr unsigned int kHighestRate = 96000;

std::wstring RateText(unsigned int rate)
{
    return std::to_wstring(rate) + L" Hz";
}
} // namespace

void CGUI_KV58Dlg::SendRateReportFor(unsigned int rate)
{
    switch (rate)
    {
    case 44100:
        SendHidRateReport(false, false);
        break;
    case 48000:
        SendHidRateReport(false, true);
        break;
    case 96000:
        SendHidRateReport(true, false);
        break;
    }
}

void CGUI_KV58Dlg::FillSampleRates()
{
    m_cbSampleRate.ResetContent();
    if (!m_hDevice)
        return;

    unsigned int rates[kMaxRates] = {};
    unsigned int count = 0;
    if (m_api.GetSupportedSampleRates(m_hDevice, kMaxRates, rates, &count) != 0)
        return;
    // A driver that claims more rates than it was given room for is not believed.
    count = std::min(count, kMaxRates);
    for (unsigned int i = 0; i < count; ++i)
    {
        if (rates[i] < kLowestRate || rates[i] > kHighestRate)
            continue;
        const int item = m_cbSampleRate.AddString(RateText(rates[i]));
        m_cbSampleRate.SetItemData(item, rates[i]);
    }

    unsigned int current = 0;
    if (m_api.GetCurrentSampleRate(m_hDevice, &current) != 0)
        return;
    if (current < kLowestRate)
    {
        // The panel shows such a rate as the lowest one it offers; the device keeps its own.
        SendRateReportFor(kLowestRate);
        current = kLowestRate;
    }
    const int item = m_cbSampleRate.FindStringExact(RateText(current));
    if (item != CB_ERR)
        m_cbSampleRate.SetCurSel(item);
    SendRateReportFor(current);
}

void CGUI_KV58Dlg::ShowCurrentSampleRate()
{
    if (!m_hDevice)
        return;
    unsigned int current = 0;
    if (m_api.GetCurrentSampleRate(m_hDevice, &current) != 0)
        return;
    // A rate the list does not hold clears the selection rather than show a stale one.
    m_cbSampleRate.SetCurSel(m_cbSampleRate.FindStringExact(RateText(current)));
    SendRateReportFor(current);
}

void CGUI_KV58Dlg::OnSelchangeSampleRate()
{
    const int item = m_cbSampleRate.GetCurSel();
    if (item == CB_ERR)
        return;
    const auto rate = static_cast<unsigned int>(m_cbSampleRate.GetItemData(item));
    const UsbAudioStatus status = m_api.SetSampleRate(m_hDevice, rate);
    if (status != 0)
        ReportBusyOrError(L"TUSBAUDIO_SetSampleRate", status);
    else
        SendRateReportFor(rate);
    RefreshDeviceControls();
}
