#include "../core/DeviceSettings.h"
#include "ComboSelection.h"
#include "GUI_KV58Dlg.h"
#include "resource.h"

namespace
{
constexpr wchar_t kAnalogInText[] = L"Analog In";
constexpr wchar_t kSpdifInText[] = L"SPDIF IN";
} // namespace

void CGUI_KV58Dlg::ShowInputSources(const DeviceState& state)
{
    // Without a device the box offers nothing.
    if (!state.open)
    {
        m_cbInputSource.ResetContent();
        return;
    }
    if (m_cbInputSource.GetCount() == 0)
    {
        m_cbInputSource.SetItemData(m_cbInputSource.AddString(kSpdifInText), kSpdifIn);
        m_cbInputSource.SetItemData(m_cbInputSource.AddString(kAnalogInText), kAnalogIn);
    }
    if (!Edited(IDC_INPUT_SOURCE, state))
        SelectItemByData(m_cbInputSource, state.inputSource);
}

void CGUI_KV58Dlg::OnSelchangeInputSource()
{
    if (const std::optional<DWORD_PTR> data = SelectedItemData(m_cbInputSource))
        Sent(m_device.SetInput(static_cast<uint8_t>(*data & 0xFF)), IDC_INPUT_SOURCE);
}
