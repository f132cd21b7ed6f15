#include "../settings/ComboSelection.h"
#include "GUI_KV58Dlg.h"
#include "resource.h"
#include <cwchar>
#include <iterator>

namespace
{
struct StreamingPreset
{
    const wchar_t* format;
    unsigned int mode; // also the latency in milliseconds
};

constexpr StreamingPreset kPresets[] = {
    {L"Min latency (%d ms)", 1}, {L"Low latency (%d ms)", 2}, {L"Standard (%d ms)", 4},
    {L"Relaxed (%d ms)", 8},     {L"Safe (%d ms)", 16},       {L"Extra Safe (%d ms)", 32},
};
} // namespace

void CGUI_KV58Dlg::ShowStreamingModes(const DeviceState& state)
{
    // The presets never change: the box is filled once.
    if (m_cbStreamingMode.GetCount() == 0)
        for (const StreamingPreset& preset : kPresets)
        {
            wchar_t text[64];
            std::swprintf(text, std::size(text), preset.format, static_cast<int>(preset.mode));
            const int item = m_cbStreamingMode.AddString(text);
            m_cbStreamingMode.SetItemData(item, preset.mode);
        }
    if (!Edited(IDC_STREAMING_MODE, state))
        SelectItemByData(m_cbStreamingMode, state.streamingMode);
}

void CGUI_KV58Dlg::OnSelchangeStreamingMode()
{
    if (const std::optional<DWORD_PTR> data = SelectedItemData(m_cbStreamingMode))
        Sent(m_device.SetStreamingMode(static_cast<unsigned int>(*data)), IDC_STREAMING_MODE);
}
