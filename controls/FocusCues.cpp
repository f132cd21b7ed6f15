#include "FocusCues.h"
#include "DisplayScale.h"

bool FocusCuesShown(HWND control, bool focused)
{
    if (!focused)
        return false;
    HWND top = ::GetAncestor(control, GA_ROOT);
    return !(::SendMessageW(top, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

void ShowFocusCues(HWND control)
{
    ::SendMessageW(::GetAncestor(control, GA_ROOT), WM_CHANGEUISTATE,
                   MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void DrawFocusOutline(Gdiplus::Graphics& graphics, int width, int height, UINT dpi)
{
    const int thickness = ScaleToDpi(1, dpi);
    Gdiplus::Pen outline(Gdiplus::Color(255, 235, 235, 235), static_cast<Gdiplus::REAL>(thickness));
    outline.SetAlignment(Gdiplus::PenAlignmentInset);
    graphics.DrawRectangle(&outline, 0, 0, width - 1, height - 1);
}
