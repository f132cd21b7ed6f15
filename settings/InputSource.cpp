#include "../app/GUI_KV58Dlg.h"

namespace
{
// The device's input selector unit and its pins.
constexpr uint8_t kSelectorUnit = 11;
constexpr uint8_t kGetCur = 0x81;
constexpr uint8_t kSetCur = 0x01;
constexpr unsigned int kTimeoutMs = 500;
constexpr uint8_t kAnalogIn = 1;
constexpr uint8_t kSpdifIn = 2;
constexpr wchar_t kAnalogInText[] = L"Analog In";
constexpr wchar_t kSpdifInText[] = L"SPDIF IN";
} // namespace

void CGUI_KV58Dlg::FillInputSources()
{
    m_cbInputSource.ResetContent();
    if (!m_hDevice)
        return;
    m_cbInputSource.SetItemData(m_cbInputSource.AddString(kSpdifInText), kSpdifIn);
    m_cbInputSource.SetItemData(m_cbInputSource.AddString(kAnalogInText), kAnalogIn);

    uint8_t value = 0;
    if (m_api.AudioControlRequestGet(m_hDevice, kSelectorUnit, kGetCur, 0, 0, &value, 1, nullptr,
                                     kTimeoutMs) != 0)
    {
        m_inputSource = 0;
        return;
    }
    m_inputSource = value;
    if (value == kAnalogIn)
        m_cbInputSource.SetCurSel(m_cbInputSource.FindStringExact(kAnalogInText));
    else if (value == kSpdifIn)
        m_cbInputSource.SetCurSel(m_cbInputSource.FindStringExact(kSpdifInText));
}

void CGUI_KV58Dlg::OnSelchangeInputSource()
{
    const int item = m_cbInputSource.GetCurSel();
    if (item == CB_ERR)
        return;
    auto value = static_cast<uint8_t>(m_cbInputSource.GetItemData(item) & 0xFF);
    const UsbAudioStatus status = m_api.AudioControlRequestSet(m_hDevice, kSelectorUnit, kSetCur, 0,
                                                               0, &value, 1, nullptr, kTimeoutMs);
    if (status != 0)
        ReportStatusError(L"DevSelectInput", status);
    RefreshDeviceControls();
}
