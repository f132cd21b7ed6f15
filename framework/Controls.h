#pragma once
#include "Wnd.h"
#include <commctrl.h>
#include <string>

// Thin objects over the standard controls, attached to template controls.
class CButton : public CWnd
{
};

class CStatic : public CWnd
{
};

class CSliderCtrl : public CWnd
{
};

class CComboBox : public CWnd
{
public:
    void ResetContent() const { SendMessage(CB_RESETCONTENT); }
    int AddString(const std::wstring& text) const
    {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    void SetItemData(int index, DWORD_PTR data) const
    {
        SendMessage(CB_SETITEMDATA, index, static_cast<LPARAM>(data));
    }
    DWORD_PTR GetItemData(int index) const
    {
        return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, index));
    }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, index)); }
    // Index of the first item whose whole text equals text, ignoring case; CB_ERR if none.
    int FindStringExact(const std::wstring& text) const
    {
        return static_cast<int>(
            SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text.c_str())));
    }
    std::wstring GetLBText(int index) const;
};
