#pragma once
#include "../framework/Controls.h"
#include "../framework/Gdi.h"

// A label that draws its text over the dialog's skin: it captures the
// parent's pixels under it at its first erase and restores them at each one
// after, so a new text never shows remains of the old one.
class CTransparentStatic2 : public CStatic
{
public:
    CBitmap m_capturedBackground;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    LRESULT OnSetText();
    void CaptureParentBackground();
    void OnEraseBkgnd(HDC dc);
};
