#include "../core/DeviceSettings.h"
#include "../settings/ComboSelection.h"
#include "GUI_KV58Dlg.h"

void CGUI_KV58Dlg::BuildAsioBufferSizes()
{
    m_asioBufferSizes = AsioBufferSizes(m_session);
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
    if (!m_session.IsOpen())
        return false;
    const AsioMinimum minimum = MinimumAsioBufferSize(m_session);
    if (!minimum.failure.Ok())
    {
        ReportStatusError(minimum.failure.label, minimum.failure.status);
        RefreshDeviceControls();
        return false;
    }
    // Only a warning: the user may still want the smaller buffer.
    if (minimum.minimum > size)
        ShowInformation(AsioBufferTooSmallText(minimum.rate));
    return true;
}

void CGUI_KV58Dlg::OnSelchangeAsioBufferSize()
{
    const std::optional<DWORD_PTR> data = SelectedItemData(m_cbAsioBuffer);
    if (!data)
        return;
    const auto size = static_cast<unsigned int>(*data);
    if (!CheckMinimumAsioBufferSize(size))
    {
        RefreshDeviceControls();
        return;
    }
    const DeviceResult result = SetAsioBufferSize(m_session, size);
    if (!result.Ok())
        ReportStatusError(result.label, result.status);
    RefreshDeviceControls();
}
