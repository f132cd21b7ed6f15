#include "PresetNameDlg.h"

void CPresetNameDlg::OnOK()
{
    HWND edit = ::GetDlgItem(m_hWnd, IDC_PRESET_NAME);
    std::wstring name(static_cast<size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
    name.resize(
        static_cast<size_t>(::GetWindowTextW(edit, name.data(), static_cast<int>(name.size()))));
    if (m_accept(name))
        CDialog::OnOK();
    else
        ::SetFocus(edit);
}
