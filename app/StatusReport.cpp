#include "../framework/ResourceString.h"
#include "GUI_KV58Dlg.h"
#include "PresetReport.h"
#include "resource.h"

namespace
{
constexpr UINT kErrorBoxStyle = MB_OK | MB_ICONERROR;
constexpr UINT kInformationBoxStyle = MB_OK | MB_ICONINFORMATION;
constexpr wchar_t kInformationCaption[] = L"VOSTRAND KV58 Audio Control Panel";
} // namespace

void CGUI_KV58Dlg::ShowOutcome(const DeviceOutcome& outcome)
{
    if (!outcome.preset)
    {
        for (const Notice& notice : outcome.notices)
            ShowNotice(notice);
        // The one next step there is: the buffer size the user was warned about,
        // not set when the warning went with the panel's end.
        if (outcome.then && !m_closing)
            Sent(m_device.Resume(*outcome.then), IDC_ASIO_BUFFER);
        return;
    }
    const PresetReading none;
    for (const PanelBox& box :
         PresetReport(outcome.reading ? *outcome.reading : none, *outcome.preset))
    {
        if (box.style & MB_ICONINFORMATION)
            ShowInformation(box.text);
        else
            ShowMessageBox(box.text, LoadResString(IDS_TITLE), box.style);
    }
}

void CGUI_KV58Dlg::ShowNotice(const Notice& notice)
{
    switch (notice.kind)
    {
    case Notice::Kind::Error:
    case Notice::Kind::Busy:
        ShowMessageBox(notice.text, LoadResString(IDS_TITLE), kErrorBoxStyle);
        return;
    case Notice::Kind::Warning:
    case Notice::Kind::Note:
        ShowInformation(notice.text);
        return;
    }
}

void CGUI_KV58Dlg::ShowInformation(const std::wstring& text)
{
    ShowMessageBox(text, kInformationCaption, kInformationBoxStyle);
}
