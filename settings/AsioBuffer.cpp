#include "../app/GUI_KV58Dlg.h"
#include "ComboSelection.h"
#include <string>

namespace
{
constexpr unsigned int kStandardSizes[] = {64, 128, 256, 512, 1024, 2048, 4096, 8192};
}

void CGUI_KV58Dlg::BuildAsioBufferSizes()
{
    m_asioBufferSizes.clear();
    for (unsigned int size : kStandardSizes)
        InsertAsioBufferSize(m_asioBufferSizes, size);
    unsigned int current = 0;
    if (m_api.GetASIOBufferSize(&current) == 0)
        InsertAsioBufferSize(m_asioBufferSizes, current);
}

void CGUI_KV58Dlg::FillAsioBufferSizes()
{
    m_cbAsioBuffer.ResetContent();
    for (const AsioBufferSize& entry : m_asioBufferSizes)
    {
        const int item = m_cbAsioBuffer.AddString(AsioBufferSizeText(entry.size) + entry.suffix);
        m_cbAsioBuffer.SetItemData(item, entry.size);
    }
}

void CGUI_KV58Dlg::SelectAsioBufferSize(unsigned int size)
{
    SelectItemByData(m_cbAsioBuffer, size);
}

bool CGUI_KV58Dlg::CheckMinimumAsioBufferSize(unsigned int size)
{
    if (!m_hDevice)
        return false;
    unsigned int rate = 0;
    UsbAudioStatus status = m_api.GetCurrentSampleRate(m_hDevice, &rate);
    if (status != 0)
    {
        ReportStatusError(L"TUSBAUDIO_GetCurrentSampleRate", status);
        RefreshDeviceControls();
        return false;
    }
    unsigned int minimum = 0;
    status = m_api.GetMinimumASIOBufferSize(rate, &minimum);
    if (status != 0)
    {
        ReportStatusError(L"TUSBAUDIO_GetMinimumASIOBufferSize", status);
        RefreshDeviceControls();
        return false;
    }
    // Only a warning: the user may still want the smaller buffer.
    if (minimum > size)
        ShowInformation(L"At " + std::to_wstring(rate) +
                        L" Hz sampling rate the selected ASIO buffer size is too small for the "
                        L"current USB streaming mode. To avoid audio distortions, you should "
                        L"select a larger ASIO buffer size.");
    return true;
}

void CGUI_KV58Dlg::OnSelchangeAsioBufferSize()
{
    const int item = m_cbAsioBuffer.GetCurSel();
    if (item == CB_ERR)
        return;
    const auto size = static_cast<unsigned int>(m_cbAsioBuffer.GetItemData(item));
    if (!CheckMinimumAsioBufferSize(size))
    {
        RefreshDeviceControls();
        return;
    }
    const UsbAudioStatus status = m_api.SetASIOBufferSize(size);
    if (status != 0)
        ReportStatusError(L"TUSBAUDIO_SetASIOBufferSize", status);
    RefreshDeviceControls();
}
