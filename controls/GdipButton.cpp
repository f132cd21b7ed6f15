#include "GdipButton.h"
#include "AccessibleControls.h"
#include "BackgroundCapture.h"
#include "DisplayScale.h"
#include "FocusCues.h"
#include "ImageDrawing.h"
#include "ScaledImage.h"
#include "TabOrder.h"
#include <commctrl.h>
#include <windowsx.h>

namespace
{
constexpr UINT_PTR kToolId = 1;
constexpr UINT_PTR kBuildLooksTimerId = 1;
constexpr int kToolTipDelayMs = 2000;
} // namespace

void CGdipButton::WindowDestroyer::operator()(HWND window) const
{
    if (::IsWindow(window))
        ::DestroyWindow(window);
}

CGdipButton::~CGdipButton() = default;

void CGdipButton::PreSubclassWindow()
{
    // From now on the system never draws the button: the template's push-like
    // check box becomes owner-drawn, and m_toggled is the only toggle state.
    const LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                   SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    CButton::PreSubclassWindow();
}

void CGdipButton::SetSize(int width, int height)
{
    m_width = width;
    m_height = height;
    SizeAtTop(m_hWnd, width, height);
}

void CGdipButton::DropLooks()
{
    // Built from the old image or size; the next paint builds them anew.
    for (CSurface* surface :
         {&m_surfStandard, &m_surfStandardPressed, &m_surfStandardHover, &m_surfAlternate,
          &m_surfAlternatePressed, &m_surfAlternateHover, &m_surfDisabled})
        surface->Release();
    m_statesBuilt = FALSE;
}

void CGdipButton::SetStandardImage(UINT id, int width, int height)
{
    // A failed load leaves an empty holder: its looks show the background only.
    SetStandardImage(LoadPng(id), width, height);
}

void CGdipButton::SetAlternateImage(UINT id, int width, int height)
{
    SetAlternateImage(LoadPng(id), width, height);
}

void CGdipButton::SetStandardImage(std::shared_ptr<const CGdiPlusBitmap> image, int width,
                                   int height)
{
    SetSize(width, height);
    DropLooks();
    m_imgStandard = std::move(image);
}

void CGdipButton::SetAlternateImage(std::shared_ptr<const CGdiPlusBitmap> image, int width,
                                    int height)
{
    SetSize(width, height);
    DropLooks();
    m_hasAlternate = TRUE;
    m_imgAlternate = std::move(image);
    m_flipOnPress = TRUE;
    m_surfCurrent = &m_surfAlternate;
}

void CGdipButton::CaptureBackground(const CDC& composition)
{
    CaptureFromComposition(m_hWnd, composition.GetSafeHdc(), m_surfBackground);
}

void CGdipButton::BuildStateImages(const CSurface* only)
{
    if (m_statesBuilt || !m_imgStandard)
        return;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int width = client.right;
    const int height = client.bottom;
    // Each look is composed here, then kept in a surface of its own; nothing
    // reaches the screen.
    CSurface scratch;
    if (!scratch.Create(nullptr, width, height))
        return;
    Gdiplus::Graphics graphics(scratch.GetSafeHdc());

    if (m_surfBackground.IsEmpty())
        CaptureFromParent(m_hWnd, m_surfBackground, m_width, m_height);

    // Background, then the image as draw() puts it, kept in surface.
    auto compose = [&](CSurface& surface, auto draw)
    {
        if (!surface.IsEmpty() || (only && only != &surface))
            return;
        scratch.BitBlt(0, 0, width, height, m_surfBackground.GetSafeHdc(), 0, 0);
        draw();
        graphics.Flush(Gdiplus::FlushIntentionSync);
        if (surface.Create(scratch.GetSafeHdc(), width, height))
            surface.BitBlt(0, 0, width, height, scratch.GetSafeHdc(), 0, 0);
    };
    const CGdiPlusBitmap* standard = m_imgStandard.get();
    // The hover and grey looks show the image at its natural size, cropped.
    const SIZE natural = ImageSize(standard);
    const auto naturalW = static_cast<float>(natural.cx);
    const auto naturalH = static_cast<float>(natural.cy);
    // A pressed look is shifted by one pixel at 96 DPI, right and down.
    const int shift = ScaleToDpi(1, m_dpi);

    // An image's plain, pressed and hover looks.
    const auto composeImage = [&](const CGdiPlusBitmap* image, const CGdiPlusBitmap* pressedImage,
                                  const Gdiplus::ColorMatrix& hoverMatrix, CSurface& plain,
                                  CSurface& pressed, CSurface& hover)
    {
        compose(plain, [&] { DrawImageScaled(graphics, image, 0, 0, m_width, m_height); });
        compose(pressed,
                [&]
                {
                    DrawImageScaled(graphics, pressedImage ? pressedImage : image, shift, shift,
                                    m_width, m_height);
                });
        compose(hover,
                [&] {
                    DrawImageThroughMatrix(graphics, image, hoverMatrix, 0, 0, naturalW, naturalH);
                });
    };
    composeImage(standard, m_imgStandardPressed.get(), SkinMatrix::kStandardHover, m_surfStandard,
                 m_surfStandardPressed, m_surfStandardHover);
    compose(m_surfDisabled,
            [&]
            {
                if (m_hasDisabledImage)
                    DrawImageScaled(graphics, m_imgDisabled.get(), 0, 0, m_width, m_height);
                else
                    DrawImageThroughMatrix(graphics, standard, SkinMatrix::kGrey, 0, 0, naturalW,
                                           naturalH);
            });
    if (m_hasAlternate)
        composeImage(m_imgAlternate.get(), m_imgAlternatePressed.get(), SkinMatrix::kAlternateHover,
                     m_surfAlternate, m_surfAlternatePressed, m_surfAlternateHover);
    if (!m_surfCurrent)
        m_surfCurrent = &m_surfStandard;
    m_statesBuilt = only == nullptr;
}

void CGdipButton::DrawItem(const DRAWITEMSTRUCT& item)
{
    CSurface* surface = &m_surfDisabled;
    if (!m_disabled)
    {
        const bool pressed = (item.itemState & ODS_SELECTED) != 0;
        if (m_flipOnPress && pressed)
            m_showAlternate = !m_showAlternate;
        if (m_toggleMode)
            m_showAlternate = m_toggled != FALSE;
        if (pressed)
            surface = (m_toggleMode || m_showAlternate) ? &m_surfAlternatePressed
                                                        : &m_surfStandardPressed;
        else if (m_hovering)
            surface = m_showAlternate ? &m_surfAlternateHover : &m_surfStandardHover;
        else
            surface = m_showAlternate ? &m_surfAlternate : &m_surfStandard;
    }
    m_surfCurrent = surface;
    // The look shown now is built now; the others once every window has
    // painted, since timers come after paints.
    if (surface->IsEmpty())
        BuildStateImages(surface);
    if (!m_statesBuilt && m_imgStandard)
        ::SetTimer(m_hWnd, kBuildLooksTimerId, 0, nullptr);
    if (surface->IsEmpty())
        return;
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::BitBlt(item.hDC, 0, 0, client.right, client.bottom, surface->GetSafeHdc(), 0, 0, SRCCOPY);
    if (FocusCuesShown(m_hWnd, (item.itemState & ODS_FOCUS) != 0))
    {
        Gdiplus::Graphics graphics(item.hDC);
        DrawFocusOutline(graphics, client.right, client.bottom, m_dpi);
    }
}

void CGdipButton::SetToggled(bool toggled)
{
    const bool changed = (m_toggled != FALSE) != toggled;
    m_toggled = toggled ? TRUE : FALSE;
    Invalidate();
    if (changed)
        ::NotifyWinEvent(EVENT_OBJECT_STATECHANGE, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
}

void CGdipButton::Click()
{
    if (m_toggleMode)
        SetToggled(!m_toggled);
    ::SendMessageW(GetParent(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(), BN_CLICKED),
                   reinterpret_cast<LPARAM>(m_hWnd));
}

bool CGdipButton::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg)
    {
    case WM_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        *result = TRUE;
        return true;
    }
    return CButton::OnChildNotify(msg, wParam, lParam, result);
}

bool CGdipButton::PreTranslateMessage(MSG* msg)
{
    // A fast second click counts as a click of its own.
    if (msg->message == WM_LBUTTONDBLCLK && msg->hwnd == m_hWnd)
        msg->message = WM_LBUTTONDOWN;
    if (m_toolTip && ::IsWindow(m_toolTip.get()))
        ::SendMessageW(m_toolTip.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg));
    return CButton::PreTranslateMessage(msg);
}

void CGdipButton::OnMouseMove()
{
    if (m_mouseTracked)
        return;
    TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, m_hWnd, 1};
    m_mouseTracked = ::_TrackMouseEvent(&track);
}

void CGdipButton::OnMouseHover()
{
    m_hovering = TRUE;
    Invalidate();
    m_toolTip.reset();
    UpdateToolTip(std::wstring(m_toolTipText), true);
    if (m_toolTip)
        ::SendMessageW(m_toolTip.get(), TTM_UPDATE, 0, 0);
}

void CGdipButton::OnMouseLeave()
{
    m_mouseTracked = FALSE;
    m_hovering = FALSE;
    Invalidate();
}

void CGdipButton::OnLButtonUp(int x, int y)
{
    // The click notification that follows reads the new state.
    if (x >= 0 && x < m_width && y >= 0 && y < m_height && m_toggleMode)
        SetToggled(!m_toggled);
}

void CGdipButton::OnKeyUp(UINT key)
{
    // Space released on the pressed button clicks it, as a mouse release does.
    if (key == VK_SPACE && m_toggleMode && (SendMessage(BM_GETSTATE) & BST_PUSHED))
        SetToggled(!m_toggled);
}

void CGdipButton::UpdateToolTip(const std::wstring& text, bool activate)
{
    if (text.empty())
        return;
    if (!m_toolTip)
    {
        m_toolTip.reset(::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, 0, CW_USEDEFAULT,
                                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd,
                                          nullptr, ::GetModuleHandleW(nullptr), nullptr));
        if (!m_toolTip)
            return;
        ::SendMessageW(m_toolTip.get(), TTM_ACTIVATE, TRUE, 0);
    }
    m_toolTipText = text;

    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = m_hWnd;
    tool.uId = kToolId;
    tool.lpszText = m_toolTipText.data();
    HWND tip = m_toolTip.get();
    if (::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0) == 0)
    {
        ::GetClientRect(m_hWnd, &tool.rect);
        ::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    ::SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, kToolTipDelayMs);
    ::SendMessageW(tip, TTM_ACTIVATE, activate ? TRUE : FALSE, 0);
}

LRESULT CGdipButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (m_access.OnMessage(
            msg, wParam, lParam, [this] { return NewToggleAccessible(*this); }, &answer))
        return answer;
    switch (msg)
    {
    case WM_ERASEBKGND:
        // Every paint covers the whole button: no erased frame in between.
        return TRUE;
    case WM_TIMER:
        if (wParam != kBuildLooksTimerId)
            break;
        ::KillTimer(m_hWnd, kBuildLooksTimerId);
        BuildStateImages(nullptr);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove();
        return Default();
    case WM_MOUSELEAVE:
        OnMouseLeave();
        return 0;
    case WM_MOUSEHOVER:
        OnMouseHover();
        return 0;
    case WM_LBUTTONDOWN:
        return Default();
    case WM_LBUTTONUP:
        OnLButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return Default();
    case WM_KEYDOWN:
        // As in standard dialogs, the focus shows once the keyboard is used.
        if (wParam == VK_SPACE)
            ShowFocusCues(m_hWnd);
        return Default();
    case WM_KEYUP:
        OnKeyUp(static_cast<UINT>(wParam));
        return Default();
    // An owner-drawn button keeps no check state of its own: the toggle
    // answers as a check box does, for tools that drive or check the panel.
    case BM_GETCHECK:
        return m_toggled ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK:
        SetToggled(wParam == BST_CHECKED);
        return 0;
    case BM_CLICK:
        Click();
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
    {
        const LRESULT result = Default();
        Invalidate();
        if (msg == WM_SETFOCUS)
            ::NotifyWinEvent(EVENT_OBJECT_FOCUS, m_hWnd, OBJID_CLIENT, CHILDID_SELF);
        return result;
    }
    }
    return CButton::WindowProc(msg, wParam, lParam);
}
