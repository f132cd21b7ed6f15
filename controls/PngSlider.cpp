#include "PngSlider.h"
#include "BackgroundCapture.h"
#include "DisplayScale.h"
#include "FocusCues.h"
#include "ImageDrawing.h"
#include "SafeMath.h"
#include "ScaledImage.h"
#include "TabOrder.h"
#include <algorithm>
#include <commctrl.h>
#include <cstdlib>
#include <windowsx.h>

namespace
{
constexpr int kTrackWidth = 27;
constexpr int kTrackHeight = 147;
constexpr int kThumbWidth = 27;
constexpr int kThumbHeight = 17;
constexpr UINT_PTR kDragTimerId = 100;
constexpr UINT kDragPeriodMs = 30;
constexpr UINT_PTR kSettleTimerId = 150;
constexpr UINT kSettleDelayMs = 1000;
constexpr UINT_PTR kThumbLooksTimerId = 200;
} // namespace

CPngSlider::~CPngSlider() = default;

bool CPngSlider::SetTrackImage(UINT id)
{
    return SetTrackImage(LoadPng(id));
}

bool CPngSlider::SetThumbImage(UINT id)
{
    return SetThumbImage(LoadPng(id));
}

bool CPngSlider::SetTrackImage(std::shared_ptr<const CGdiPlusBitmap> image)
{
    m_trackHeight = ScaleToDpi(kTrackHeight, m_dpi);
    m_trackWidth = ScaleToDpi(kTrackWidth, m_dpi);
    SizeAtTop(m_hWnd, m_trackWidth, m_trackHeight);
    // The track look and the frame were made for the old image and size.
    m_surfTrack.Release();
    m_surfFrame.Release();
    m_hasTrackImage = FALSE;
    m_imgTrack = std::move(image);
    if (!m_imgTrack || !m_imgTrack->m_image)
        return false;
    ::GetClientRect(m_hWnd, &m_clientRect);
    m_hasTrackImage = TRUE;
    return true;
}

bool CPngSlider::SetThumbImage(std::shared_ptr<const CGdiPlusBitmap> image)
{
    if (!m_hasTrackImage)
    {
        RECT client{};
        ::GetClientRect(m_hWnd, &client);
        m_trackWidth = client.right;
        m_trackHeight = client.bottom;
    }
    m_thumbHeight = ScaleToDpi(kThumbHeight, m_dpi);
    m_thumbWidth = ScaleToDpi(kThumbWidth, m_dpi);
    m_hasThumbImage = FALSE;
    m_surfThumb.Release();
    m_surfThumbBright.Release();
    m_imgThumb = std::move(image);
    if (!m_imgThumb || !m_imgThumb->m_image)
        return false;
    m_hasThumbImage = TRUE;
    return true;
}

void CPngSlider::SetPos(int pos)
{
    if (pos > m_rangeMax)
        pos = m_rangeMax;
    if (pos < m_rangeMin)
        pos = m_rangeMin;
    const bool changed = pos != m_pos;
    m_pos = pos;
    Redraw();
    // Whoever moved it: the mouse, a key, the partner or the device.
    if (changed && m_hWnd)
        ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
}

void CPngSlider::CaptureBackground(const CDC& composition)
{
    CaptureFromComposition(m_hWnd, composition.GetSafeHdc(), m_surfBackground);
}

double CPngSlider::Span() const
{
    return static_cast<double>(m_trackHeight) - m_marginBottom - m_marginTop - m_thumbHeight;
}

int CPngSlider::PosToPixel(int pos) const
{
    const double range = static_cast<double>(m_rangeMax) - m_rangeMin;
    // A range of one position has its thumb at the top.
    const double offset = range == 0 ? 0 : (static_cast<double>(pos) - m_rangeMin) / range * Span();
    return ClampToInt(static_cast<long long>(TruncateToInt(offset)) + m_marginTop +
                      m_thumbHeight / 2);
}

int CPngSlider::PixelToPos(int pixel) const
{
    const double span = Span();
    if (span == 0)
        return m_rangeMin;
    const double range = static_cast<double>(m_rangeMax) - m_rangeMin;
    return TruncateToInt(
        m_rangeMin + range * (static_cast<double>(pixel) - m_thumbHeight / 2 - m_marginTop) / span);
}

RECT CPngSlider::ThumbRect() const
{
    const int top = PosToPixel(m_pos) - m_thumbHeight / 2;
    return {m_marginLeft, top, m_marginLeft + m_thumbWidth, top + m_thumbHeight};
}

void CPngSlider::Redraw() const
{
    // Without a window there is nothing to redraw; a null window would mean the whole screen.
    if (m_hWnd)
        Invalidate(true);
}

void CPngSlider::Notify(UINT msg) const
{
    ::PostMessageW(GetParent(), msg, static_cast<WPARAM>(GetDlgCtrlID()),
                   static_cast<LPARAM>(m_pos));
}

void CPngSlider::StepTo(long long pos)
{
    SetPos(ClampToInt(pos));
    Notify(WM_PNGSLIDER_CHANGED);
    // The change ends a second after the last step.
    m_settleTimer = ::SetTimer(m_hWnd, kSettleTimerId, kSettleDelayMs, nullptr);
}

void CPngSlider::MoveThumbTo(int y)
{
    const int half = m_thumbHeight / 2;
    long long centre = static_cast<long long>(y) - m_grabOffset;
    centre =
        std::min<long long>(centre, static_cast<long long>(m_trackHeight) - half - m_marginBottom);
    centre = std::max<long long>(centre, static_cast<long long>(half) + m_marginTop);
    const int pos = PixelToPos(ClampToInt(centre));
    if (pos != m_pos)
        SetPos(pos);
}

void CPngSlider::OnLButtonDown(UINT flags, int y)
{
    m_dragTimer = ::SetTimer(m_hWnd, kDragTimerId, kDragPeriodMs, nullptr);
    ::SetCapture(m_hWnd);
    ::SetFocus(m_hWnd);
    m_clickedFocus = TRUE;
    m_dragging = TRUE;
    if (flags == (MK_LBUTTON | MK_CONTROL))
    {
        // The parent resets the fader at its next change message.
        m_resetRequest = TRUE;
        return;
    }
    const long long offset = static_cast<long long>(y) - PosToPixel(m_pos);
    // On the thumb, the thumb stays under the cursor; off it, its centre jumps there.
    m_grabOffset = std::llabs(offset) > m_thumbHeight / 2 ? 0 : static_cast<int>(offset);
    MoveThumbTo(y);
    Redraw();
}

void CPngSlider::OnMouseMove(int y)
{
    if (!m_mouseTracked)
    {
        TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, m_hWnd, 1};
        m_mouseTracked = ::_TrackMouseEvent(&track);
    }
    if (m_dragging)
        MoveThumbTo(y);
}

void CPngSlider::OnLButtonUp()
{
    // Cleared first: releasing the capture reports WM_CAPTURECHANGED.
    m_dragging = FALSE;
    FinishChange();
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
}

void CPngSlider::FinishChange()
{
    ::KillTimer(m_hWnd, m_dragTimer);
    m_dragTimer = 0;
    Notify(WM_PNGSLIDER_CHANGED);
    Notify(WM_PNGSLIDER_CHANGE_END);
    Redraw();
}

void CPngSlider::OnCaptureChanged()
{
    // Another window took the mouse mid-drag (a message box, Alt+Tab): the
    // release will never come, so the change ends here instead of the drag
    // timer reporting for ever.
    if (!m_dragging)
        return;
    m_dragging = FALSE;
    FinishChange();
}

LRESULT CPngSlider::OnGetDlgCode()
{
    // Tab still moves the focus on; every other key is the fader's.
    if (::GetKeyState(VK_TAB) & 0x8000)
        return Default();
    return DLGC_WANTALLKEYS;
}

void CPngSlider::OnKeyDown(UINT key)
{
    const long long pos = m_pos;
    // As in standard dialogs, the focus shows once the keyboard moves something.
    if (key >= VK_PRIOR && key <= VK_DOWN)
        ShowFocusCues(m_hWnd);
    switch (key)
    {
    case VK_UP:
    case VK_RIGHT:
        StepTo(pos - m_lineStep);
        break;
    case VK_DOWN:
    case VK_LEFT:
        StepTo(pos + m_lineStep);
        break;
    case VK_PRIOR:
        StepTo(pos - m_pageStep);
        break;
    case VK_NEXT:
        StepTo(pos + m_pageStep);
        break;
    case VK_HOME:
        StepTo(m_rangeMin);
        break;
    case VK_END:
        StepTo(m_rangeMax);
        break;
    }
}

void CPngSlider::OnMouseWheel(short delta)
{
    // One step per message, whatever the delta.
    StepTo(delta > 0 ? static_cast<long long>(m_pos) - m_lineStep
                     : static_cast<long long>(m_pos) + m_lineStep);
}

void CPngSlider::OnTimer(UINT_PTR id)
{
    if (id == kDragTimerId)
    {
        Notify(WM_PNGSLIDER_CHANGED);
    }
    else if (id == kSettleTimerId)
    {
        Notify(WM_PNGSLIDER_CHANGE_END);
        ::KillTimer(m_hWnd, m_settleTimer);
        m_settleTimer = 0;
    }
    else if (id == kThumbLooksTimerId)
    {
        ::KillTimer(m_hWnd, kThumbLooksTimerId);
        for (const bool bright : {false, true})
            if ((bright ? m_surfThumbBright : m_surfThumb).IsEmpty())
                RenderThumbLook(bright);
    }
}

void CPngSlider::RenderThumbLook(bool bright)
{
    if (!bright)
    {
        m_surfThumb.Render(
            m_thumbWidth, m_thumbHeight,
            [&](Gdiplus::Graphics& graphics)
            { DrawImageScaled(graphics, m_imgThumb.get(), 0, 0, m_thumbWidth, m_thumbHeight); });
        return;
    }
    // The bright look is the image at its natural size, cropped.
    const SIZE natural = ImageSize(m_imgThumb.get());
    m_surfThumbBright.Render(
        natural.cx, natural.cy,
        [&](Gdiplus::Graphics& graphics)
        {
            DrawImageThroughMatrix(graphics, m_imgThumb.get(), SkinMatrix::kThumbHighlight, 0, 0,
                                   static_cast<float>(natural.cx), static_cast<float>(natural.cy));
        });
}

const CAlphaSurface& CPngSlider::ThumbLook(bool bright)
{
    // The look shown is made now, the other once every window has painted,
    // since timers come after paints.
    CAlphaSurface& look = bright ? m_surfThumbBright : m_surfThumb;
    if (look.IsEmpty())
        RenderThumbLook(bright);
    if ((bright ? m_surfThumb : m_surfThumbBright).IsEmpty())
        ::SetTimer(m_hWnd, kThumbLooksTimerId, 0, nullptr);
    return look;
}

void CPngSlider::OnPaint()
{
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int width = client.right;
    const int height = client.bottom;
    if (m_surfFrame.IsEmpty())
        m_surfFrame.Create(dc, width, height);
    if (!m_surfFrame.IsEmpty())
    {
        const CDC& frame = m_surfFrame;
        if (m_surfBackground.IsEmpty())
            CaptureFromParent(m_hWnd, m_surfBackground, m_trackWidth, m_trackHeight);
        if (m_hasTrackImage)
        {
            // The track is blended over the background once, at the first paint.
            if (m_surfTrack.IsEmpty())
            {
                frame.BitBlt(0, 0, width, height, m_surfBackground.GetSafeHdc(), 0, 0);
                {
                    Gdiplus::Graphics graphics(frame.GetSafeHdc());
                    DrawImageScaled(graphics, m_imgTrack.get(), 0, 0, m_trackWidth, m_trackHeight);
                }
                if (m_surfTrack.Create(frame.GetSafeHdc(), width, height))
                    m_surfTrack.BitBlt(0, 0, width, height, frame.GetSafeHdc(), 0, 0);
            }
            frame.BitBlt(0, 0, width, height, m_surfTrack.GetSafeHdc(), 0, 0);
        }
        else
        {
            frame.BitBlt(0, 0, width, height, m_surfBackground.GetSafeHdc(), 0, 0);
        }
        const bool cues = FocusCuesShown(m_hWnd, m_hasFocus != FALSE);
        if (m_hasThumbImage)
        {
            const bool bright = m_hovering || (m_clickedFocus && m_hasFocus) || cues;
            const RECT thumb = ThumbRect();
            ThumbLook(bright).BlendOnto(frame.GetSafeHdc(), thumb.left, thumb.top);
        }
        if (cues)
        {
            Gdiplus::Graphics graphics(frame.GetSafeHdc());
            DrawFocusOutline(graphics, width, height, m_dpi);
        }
        ::BitBlt(dc, 0, 0, width, height, frame.GetSafeHdc(), 0, 0, SRCCOPY);
    }
    ::EndPaint(m_hWnd, &paint);
}

LRESULT CPngSlider::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (m_access.OnMessage(
            msg, wParam, lParam, [this] { return NewFaderAccessible(*this); }, &answer))
        return answer;
    switch (msg)
    {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(static_cast<UINT>(wParam), GET_Y_LPARAM(lParam));
        return Default();
    case WM_MOUSEMOVE:
        OnMouseMove(GET_Y_LPARAM(lParam));
        return m_dragging ? Default() : 0;
    case WM_LBUTTONUP:
        OnLButtonUp();
        return Default();
    case WM_CAPTURECHANGED:
        OnCaptureChanged();
        return Default();
    case WM_GETDLGCODE:
        return OnGetDlgCode();
    case WM_KEYDOWN:
        OnKeyDown(static_cast<UINT>(wParam));
        return Default();
    case WM_KILLFOCUS:
    case WM_SETFOCUS:
    case WM_UPDATEUISTATE:
    {
        if (msg == WM_KILLFOCUS)
            m_clickedFocus = FALSE;
        if (msg != WM_UPDATEUISTATE)
            m_hasFocus = msg == WM_SETFOCUS;
        const LRESULT result = Default();
        Redraw();
        if (msg == WM_SETFOCUS)
            ::NotifyWinEvent(EVENT_OBJECT_FOCUS, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
        return result;
    }
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_MOUSEWHEEL:
        OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return Default();
    case WM_MOUSEHOVER:
        m_hovering = TRUE;
        Redraw();
        return 0;
    case WM_MOUSELEAVE:
        m_hovering = FALSE;
        m_mouseTracked = FALSE;
        Redraw();
        return 0;
    // Read as a trackbar is, by tools that drive or check the panel.
    case TBM_GETPOS:
        return m_pos;
    case TBM_GETRANGEMIN:
        return m_rangeMin;
    case TBM_GETRANGEMAX:
        return m_rangeMax;
    case TBM_GETTHUMBRECT:
        if (lParam)
            *reinterpret_cast<RECT*>(lParam) = ThumbRect();
        return 0;
    }
    return CStatic::WindowProc(msg, wParam, lParam);
}
