#include "../core/DeviceResult.h"
#include "../framework/ResourceString.h"
#include "GUI_KV58Dlg.h"
#include "resource.h"

namespace
{
constexpr UINT kErrorBoxStyle = MB_OK | MB_ICONERROR;
constexpr UINT kInformationBoxStyle = MB_OK | MB_ICONINFORMATION;
constexpr wchar_t kInformationCaption[] = L"VOSTRAND KV58 Audio Control Panel";
} // namespace

void CGUI_KV58Dlg::ReportStatusError(const wchar_t* label, UsbAudioStatus status)
{
    ShowMessageBox(StatusErrorText(m_api, label, status), LoadResString(IDS_TITLE), kErrorBoxStyle);
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
    ShowMessageBox(BusyOrErrorText(m_api, {label, status}), LoadResString(IDS_TITLE),
                   kErrorBoxStyle);
}
