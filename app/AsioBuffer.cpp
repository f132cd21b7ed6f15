#include "ComboSelection.h"
#include "GUI_KV58Dlg.h"
#include "resource.h"
#include <utility>
#include <vector>

void CGUI_KV58Dlg::ShowAsioBufferSizes(const DeviceState& state)
{
    std::vector<std::pair<std::wstring, DWORD_PTR>> items;
    for (const AsioBufferSize& entry : state.asioSizes)
        items.emplace_back(AsioBufferSizeText(entry.size) + entry.suffix, entry.size);
    std::vector<std::pair<std::wstring, DWORD_PTR>> shown;
    for (int i = 0; i < m_cbAsioBuffer.GetCount(); ++i)
        shown.emplace_back(m_cbAsioBuffer.GetLBText(i), m_cbAsioBuffer.GetItemData(i));
    if (shown != items)
    {
        m_cbAsioBuffer.ResetContent();
        for (const auto& [text, size] : items)
            m_cbAsioBuffer.SetItemData(m_cbAsioBuffer.AddString(text), size);
    }
    if (!Edited(IDC_ASIO_BUFFER, state))
        SelectItemByData(m_cbAsioBuffer, state.asioSize);
}

void CGUI_KV58Dlg::OnSelchangeAsioBufferSize()
{
    if (const std::optional<DWORD_PTR> data = SelectedItemData(m_cbAsioBuffer))
        Sent(m_device.SetAsioBufferSize(static_cast<unsigned int>(*data)), IDC_ASIO_BUFFER);
}
