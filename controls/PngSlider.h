#pragma once
#include "../framework/Controls.h"
#include "../framework/Gdi.h"
#include "GdiPlusBitmap.h"

// Posted to the parent: wParam the control id, lParam the position.
constexpr UINT WM_PNGSLIDER_CHANGED = 0x2809;
constexpr UINT WM_PNGSLIDER_CHANGE_END = 0x280A;

// A skinned vertical fader drawn from a track and a thumb image.
class CPngSlider : public CStatic
{
public:
    CPngSlider() = default;
    ~CPngSlider() override;

    bool SetTrackImage(UINT id);
    bool SetThumbImage(UINT id);
    // Clamps to the range, stores and redraws; posts nothing.
    void SetPos(int pos);
    void CaptureBackground(const CDC& composition);

    int PosToPixel(int pos) const;
    int PixelToPos(int pixel) const;

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
    CDC m_surfBackground;
    CDC m_surfTrack;
    UINT_PTR m_dragTimer = 0;
    UINT_PTR m_settleTimer = 0;
    CGdiPlusBitmapResource* m_imgTrack = nullptr;
    CGdiPlusBitmapResource* m_imgThumb = nullptr;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
