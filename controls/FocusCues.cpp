#include "FocusCues.h"

bool FocusCuesShown(HWND control)
{
    if (::GetFocus() != control)
        return false;
    HWND top = ::GetAncestor(control, GA_ROOT);
    return !(::SendMessageW(top, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

void ShowFocusCues(HWND control)
{
    ::SendMessageW(::GetAncestor(control, GA_ROOT), WM_CHANGEUISTATE,
                   MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}
