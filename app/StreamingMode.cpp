#include "../core/DeviceSettings.h"
#include "../settings/ComboSelection.h"
#include "GUI_KV58Dlg.h"

void CGUI_KV58Dlg::FillStreamingModes()
{
    m_cbStreamingMode.ResetContent();
    for (const StreamingModeChoice& mode : kStreamingModes)
    {
        const int item = m_cbStreamingMode.AddString(StreamingModeText(mode).c_str());
        m_cbStreamingMode.SetItemData(item, mode.ms);
    }
}

void CGUI_KV58Dlg::SelectStreamingMode(unsigned int mode)
{
    SelectItemByData(m_cbStreamingMode, mode);
}

void CGUI_KV58Dlg::OnSelchangeStreamingMode()
{
    const std::optional<DWORD_PTR> data = SelectedItemData(m_cbStreamingMode);
    if (!data)
        return;
    const auto mode = static_cast<unsigned int>(*data);
    const DeviceResult result = SetStreamingMode(m_session, mode);
    if (!result.Ok())
        ReportBusyOrError(result.label, result.status);
    RefreshDeviceControls();

    // A new mode can raise the smallest safe buffer above the one in use.
    if (const std::optional<unsigned int> size = CurrentAsioBufferSize(m_session))
        CheckMinimumAsioBufferSize(*size);
}
