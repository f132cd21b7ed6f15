#pragma once
#include "../framework/Controls.h"
#include "AccessibleHandle.h"
#include <string>

// A settings box whose accessible name is its caption, which the skin paints
// into the background, rather than its selected item.
class CAccessibleComboBox : public CComboBox
{
public:
    std::wstring m_accessibleName;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    CAccessibleHandle m_access;
};
