#pragma once
#include "../framework/Controls.h"
#include "AccessibleControls.h"
#include "AccessibleHandle.h"
#include "AlphaSurface.h"
#include "GdiPlusBitmap.h"
#include "Surface.h"
#include <memory>

// Posted to the parent: wParam the control id, lParam the position.
constexpr UINT WM_PNGSLIDER_CHANGED = 0x2809;
constexpr UINT WM_PNGSLIDER_CHANGE_END = 0x280A;

// A skinned vertical fader drawn from a track and a thumb image. The
// smallest position is at the top.
class CPngSlider : public CStatic
{
public:
    CPngSlider() = default;
    ~CPngSlider() override;

    // Size the window to the track (27 x 147 at 96 DPI, scaled to m_dpi)
    // and load the images; false when the image does not load. Setting an
    // image again drops the looks built from the old one.
    bool SetTrackImage(UINT id);
    bool SetThumbImage(UINT id);
    // The same with an image already decoded at the control's scale, shared
    // with other controls.
    bool SetTrackImage(std::shared_ptr<const CGdiPlusBitmap> image);
    bool SetThumbImage(std::shared_ptr<const CGdiPlusBitmap> image);
    // Clamps to the range, stores and redraws; posts nothing.
    void SetPos(int pos);
    // A key's step: SetPos, then tells the parent and restarts the settle timer.
    void StepTo(long long pos);
    void CaptureBackground(const CDC& composition);

    // The thumb centre's y for a position, and the position for a y.
    int PosToPixel(int pos) const;
    int PixelToPos(int pixel) const;

    // The resolution the track and thumb are sized for; set before the images.
    UINT m_dpi = 96;
    BOOL m_resetRequest = FALSE;
    int m_rangeMax = 100;
    int m_rangeMin = 0;
    int m_pos = 0;
    int m_lineStep = 1;
    int m_pageStep = 10;
    int m_thumbWidth = 0;
    int m_thumbHeight = 0;
    int m_trackWidth = 0;
    int m_trackHeight = 0;
    int m_marginLeft = 0;
    int m_marginRight = 0;
    int m_marginTop = 0;
    int m_marginBottom = 0;
    int m_grabOffset = 0;
    RECT m_clientRect{};
    BOOL m_hasTrackImage = FALSE;
    BOOL m_hasThumbImage = FALSE;
    BOOL m_hovering = FALSE;
    BOOL m_mouseTracked = FALSE;
    BOOL m_vertical = FALSE;
    BOOL m_dragging = FALSE;
    CSurface m_surfBackground;
    CSurface m_surfTrack;
    // Where each paint is composed before its single copy to the screen; kept
    // between paints, since making a bitmap costs more than the paint.
    CSurface m_surfFrame;
    // The thumb's two looks, blended over the track at each paint.
    CAlphaSurface m_surfThumb;
    CAlphaSurface m_surfThumbBright;
    UINT_PTR m_dragTimer = 0;
    UINT_PTR m_settleTimer = 0;
    std::shared_ptr<const CGdiPlusBitmap> m_imgTrack;
    std::shared_ptr<const CGdiPlusBitmap> m_imgThumb;
    FaderDescription m_description;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    double Span() const;
    RECT ThumbRect() const;
    void Redraw() const;
    void Notify(UINT msg) const;
    void MoveThumbTo(int y);
    // The thumb's plain or bright look, made at its first use or else right
    // after the first paint.
    const CAlphaSurface& ThumbLook(bool bright);
    void RenderThumbLook(bool bright);
    void OnPaint();
    void OnLButtonDown(UINT flags, int y);
    void OnMouseMove(int y);
    void OnLButtonUp();
    void OnCaptureChanged();
    void FinishChange();
    LRESULT OnGetDlgCode();
    void OnKeyDown(UINT key);
    void OnMouseWheel(short delta);
    void OnTimer(UINT_PTR id);

    // Focus taken by a click keeps the thumb bright, with or without focus cues.
    BOOL m_clickedFocus = FALSE;
    BOOL m_hasFocus = FALSE;
    CAccessibleHandle m_access;
};
