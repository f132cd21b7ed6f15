#include "ComboSelection.h"
#include "GUI_KV58Dlg.h"
#include "resource.h"

void CGUI_KV58Dlg::ShowAsioBufferSizes(const DeviceState& state, const DeviceState& shown)
{
    if (state.asioSizes != shown.asioSizes)
    {
        m_cbAsioBuffer.ResetContent();
        for (const AsioBufferSize& entry : state.asioSizes)
            m_cbAsioBuffer.SetItemData(
                m_cbAsioBuffer.AddString(AsioBufferSizeText(entry.size) + entry.suffix),
                entry.size);
    }
    if (!Edited(IDC_ASIO_BUFFER, state))
        SelectItemByData(m_cbAsioBuffer, state.asioSize);
}

void CGUI_KV58Dlg::OnSelchangeAsioBufferSize()
{
    if (const std::optional<DWORD_PTR> data = SelectedItemData(m_cbAsioBuffer))
        Sent(m_device.SetAsioBufferSize(static_cast<unsigned int>(*data)), IDC_ASIO_BUFFER);
}
