#include "../core/DeviceSettings.h"
#include "../settings/ComboSelection.h"
#include "GUI_KV58Dlg.h"
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

void CGUI_KV58Dlg::FillStreamingModes()
{
    m_cbStreamingMode.ResetContent();
    for (const StreamingPreset& preset : kPresets)
    {
        wchar_t text[64];
        std::swprintf(text, std::size(text), preset.format, static_cast<int>(preset.mode));
        const int item = m_cbStreamingMode.AddString(text);
        m_cbStreamingMode.SetItemData(item, preset.mode);
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
