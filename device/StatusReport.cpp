#include "../app/GUI_KV58Dlg.h"
#include "../app/resource.h"
#include "../framework/ResourceString.h"
#include <cwchar>

namespace
{
constexpr UINT kErrorBoxStyle = MB_OK | MB_ICONERROR;
constexpr UINT kInformationBoxStyle = MB_OK | MB_ICONINFORMATION;
constexpr wchar_t kInformationCaption[] = L"VOSTRAND KV58 Audio Control Panel";
constexpr wchar_t kAsioInUseText[] =
    L"The requested operation cannot be performed because ASIO is currently in use. Please "
    L"close any active application and try again.";
constexpr wchar_t kSoundDeviceInUseText[] =
    L"The requested operation cannot be performed because a Windows sound device is currently "
    L"in use. Please close any active application and try again.";

std::wstring HexStatus(UsbAudioStatus status)
{
    wchar_t digits[16];
    std::swprintf(digits, std::size(digits), L"%08X", status);
    return digits;
}
} // namespace

void CGUI_KV58Dlg::ReportStatusError(const wchar_t* label, UsbAudioStatus status)
{
    // The driver may know no text for a status.
    const wchar_t* statusText = m_api.StatusCodeStringW(status);
    std::wstring text = label ? label : L"";
    text += L" failed. \r\nStatus = 0x" + HexStatus(status) + L" (";
    text += statusText ? statusText : L"";
    text += L")";
    ShowMessageBox(text, LoadResString(IDS_TITLE), kErrorBoxStyle);
}

void CGUI_KV58Dlg::ReportAsioInUse()
{
    ShowMessageBox(kAsioInUseText, LoadResString(IDS_TITLE), kErrorBoxStyle);
}

void CGUI_KV58Dlg::ReportSoundDeviceInUse()
{
    ShowMessageBox(kSoundDeviceInUseText, LoadResString(IDS_TITLE), kErrorBoxStyle);
}

void CGUI_KV58Dlg::ShowInformation(const std::wstring& text)
{
    ShowMessageBox(text, kInformationCaption, kInformationBoxStyle);
}

void CGUI_KV58Dlg::ReportBusyOrError(const wchar_t* label, UsbAudioStatus status)
{
    switch (status)
    {
    case kStatusAsioInUse:
        ReportAsioInUse();
        break;
    case kStatusSoundDeviceInUse:
        ReportSoundDeviceInUse();
        break;
    default:
        ReportStatusError(label, status);
        break;
    }
}
