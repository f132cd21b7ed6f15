#include "../core/SettingChoices.h"
#include "ComboSelection.h"
#include "GUI_KV58Dlg.h"
#include "resource.h"

void CGUI_KV58Dlg::ShowStreamingModes(const DeviceState& state)
{
    // The modes never change: the box is filled once.
    if (m_cbStreamingMode.GetCount() == 0)
        for (const StreamingModeChoice& mode : kStreamingModes)
        {
            const int item = m_cbStreamingMode.AddString(StreamingModeText(mode).c_str());
            m_cbStreamingMode.SetItemData(item, mode.ms);
        }
    if (!Edited(IDC_STREAMING_MODE, state))
        SelectItemByData(m_cbStreamingMode, state.streamingMode);
}

void CGUI_KV58Dlg::OnSelchangeStreamingMode()
{
    if (const std::optional<DWORD_PTR> data = SelectedItemData(m_cbStreamingMode))
        Sent(m_device.SetStreamingMode(static_cast<unsigned int>(*data)), IDC_STREAMING_MODE);
}
