#include "../core/PresetApply.h"
#include "../core/TextEncoding.h"
#include "../device/SystemLibrary.h"
#include "../framework/ResourceString.h"
#include "GUI_KV58Dlg.h"
#include "PresetNameDlg.h"
#include "PresetReport.h"
#include "resource.h"
#include <shellapi.h>
#include <utility>

namespace
{
// A name longer than any file name is no preset's.
constexpr DWORD kMaxHandedNameBytes = 1024;

std::wstring Lines(const std::vector<std::string>& lines)
{
    std::wstring text;
    for (const std::string& line : lines)
        text += Wide(line) + L"\r\n";
    return text;
}
} // namespace

std::vector<PanelBox> PresetReport(const PresetReading& reading, const PresetOutcome& outcome)
{
    std::vector<PanelBox> boxes;
    if (!reading.problems.empty())
        boxes.push_back({L"Some settings of the preset cannot be read and stay as they are:\r\n" +
                             Lines(reading.problems),
                         static_cast<UINT>(MB_ICONWARNING)});
    for (const std::vector<Notice>* notices : {&reading.notices, &outcome.notices})
        for (const Notice& notice : *notices)
        {
            const bool information =
                notice.kind == Notice::Kind::Warning || notice.kind == Notice::Kind::Note;
            boxes.push_back(
                {notice.text, static_cast<UINT>(information ? MB_ICONINFORMATION : MB_ICONERROR)});
        }
    if (!outcome.notApplied.empty())
        boxes.push_back(
            {L"Not applied:\r\n" + Lines(outcome.notApplied), static_cast<UINT>(MB_ICONWARNING)});
    return boxes;
}

void CGUI_KV58Dlg::ApplyPresetNamed(const std::wstring& name)
{
    const std::wstring title = LoadResString(IDS_TITLE);
    PresetReading reading;
    if (const std::optional<std::string> failure = m_presets.Load(name, reading))
    {
        ShowMessageBox(Wide(*failure), title, MB_OK | MB_ICONERROR);
        return;
    }
    if (reading.preset.Empty())
    {
        // Nothing for the device to do: the report tells why at once.
        DeviceOutcome outcome;
        outcome.reading = std::make_shared<const PresetReading>(std::move(reading));
        outcome.preset = PresetOutcome{};
        ShowOutcome(outcome);
        return;
    }
    // The links are the panel's own: they change now, the device's settings
    // once the device thread has applied them (its report follows).
    CGdipButton* links[] = {&m_btnLink1, &m_btnLink2};
    for (int direction : {Preset::Input, Preset::Output})
        if (reading.preset.links[direction])
            links[direction]->SetToggled(*reading.preset.links[direction]);
    Sent(m_device.ApplyPreset(std::move(reading)));
}

bool CGUI_KV58Dlg::SavePresetAs(const std::wstring& name)
{
    const std::wstring title = LoadResString(IDS_TITLE);
    if (const std::string problem = PresetStore::NameProblem(name); !problem.empty())
    {
        ShowMessageBox(Wide(problem), title, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (m_presets.Exists(name) &&
        ShowMessageBox(L"A preset named \"" + name + L"\" exists already. Replace it?", title,
                       MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    // The device's settings as last shown: saving never waits on the device.
    Preset preset = PresetOfState(*m_device.State());
    preset.links[Preset::Input] = m_btnLink1.m_toggled != FALSE;
    preset.links[Preset::Output] = m_btnLink2.m_toggled != FALSE;
    if (const std::optional<std::string> failure = m_presets.Save(name, preset))
    {
        ShowMessageBox(Wide(*failure), title, MB_OK | MB_ICONERROR);
        return false;
    }
    return true;
}

LRESULT CGUI_KV58Dlg::OnCopyData(const COPYDATASTRUCT* data)
{
    if (!data || data->dwData != kPresetCopyData || !data->lpData || data->cbData == 0 ||
        data->cbData % sizeof(wchar_t) != 0 || data->cbData > kMaxHandedNameBytes)
        return FALSE;
    // The sender waits for this answer: the preset is applied, and its
    // messages shown, once it has returned.
    m_pendingPresets.emplace_back(static_cast<const wchar_t*>(data->lpData),
                                  data->cbData / sizeof(wchar_t));
    ::PostMessageW(m_hWnd, WM_APPLY_PRESET, 0, 0);
    return TRUE;
}

void CGUI_KV58Dlg::OnTrayPresetSave()
{
    CPresetNameDlg dialog(this, [this](const std::wstring& name) { return SavePresetAs(name); });
    dialog.DoModal();
}

void CGUI_KV58Dlg::OnTrayPresetFolder()
{
    std::error_code error;
    std::filesystem::create_directories(m_presets.Folder(), error);
    // shell32.dll is loaded for this alone, not with the program.
    const CSystemLibrary shell32(L"shell32.dll");
    if (const auto open = shell32.Get<decltype(&::ShellExecuteW)>("ShellExecuteW"))
        open(m_hWnd, L"open", m_presets.Folder().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}
