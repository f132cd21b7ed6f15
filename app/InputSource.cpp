#include "../core/DeviceSettings.h"
#include "../settings/ComboSelection.h"
#include "GUI_KV58Dlg.h"

namespace
{
constexpr wchar_t kAnalogInText[] = L"Analog In";
constexpr wchar_t kSpdifInText[] = L"SPDIF IN";
} // namespace

void CGUI_KV58Dlg::FillInputSources()
{
    m_cbInputSource.ResetContent();
    if (!m_session.IsOpen())
        return;
    m_cbInputSource.SetItemData(m_cbInputSource.AddString(kSpdifInText), kSpdifIn);
    m_cbInputSource.SetItemData(m_cbInputSource.AddString(kAnalogInText), kAnalogIn);

    const std::optional<uint8_t> value = ReadInputSource(m_session);
    m_inputSource = value.value_or(0);
    if (m_inputSource == kAnalogIn)
        m_cbInputSource.SetCurSel(m_cbInputSource.FindStringExact(kAnalogInText));
    else if (m_inputSource == kSpdifIn)
        m_cbInputSource.SetCurSel(m_cbInputSource.FindStringExact(kSpdifInText));
}

void CGUI_KV58Dlg::OnSelchangeInputSource()
{
    const std::optional<DWORD_PTR> data = SelectedItemData(m_cbInputSource);
    if (!data)
        return;
    const DeviceResult result = SetInputSource(m_session, static_cast<uint8_t>(*data & 0xFF));
    if (!result.Ok())
        ReportStatusError(result.label, result.status);
    RefreshDeviceControls();
}
