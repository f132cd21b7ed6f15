#pragma once
#include "../framework/Dialog.h"
#include "resource.h"
#include <functional>
#include <string>

// Asks for the name to save the current settings as. The dialog stays open
// until accept takes the name (it asks the user itself where it must).
class CPresetNameDlg : public CDialog
{
public:
    CPresetNameDlg(CWnd* parent, std::function<bool(const std::wstring&)> accept)
        : CDialog(IDD_PRESET_NAME, parent), m_accept(std::move(accept))
    {
    }

protected:
    void OnOK() override;

private:
    std::function<bool(const std::wstring&)> m_accept;
};
