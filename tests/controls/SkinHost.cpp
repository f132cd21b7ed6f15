#include "SkinHost.h"
#include "ControlsTestIds.h"
#include "tests/support/Pump.h"
#include <algorithm>
#include <cstdlib>
#include <string>

namespace
{
constexpr int kBackgroundWidth = 512;
constexpr int kBackgroundHeight = 512;
} // namespace

SkinHost::SkinHost() : CDialog(IDD_TEST_HOST)
{
    DWORD* pixels = nullptr;
    m_background.Attach(CreateTopDownSection(kBackgroundWidth, kBackgroundHeight, &pixels));
    for (int y = 0; y < kBackgroundHeight; ++y)
        for (int x = 0; x < kBackgroundWidth; ++x)
        {
            const COLORREF colour = BackgroundAt(x, y);
            pixels[y * kBackgroundWidth + x] =
                (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
        }
}

COLORREF SkinHost::BackgroundAt(int x, int y)
{
    return RGB(x % 256, y % 256, 0x60);
}

void SkinHost::Show() const
{
    ::ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    Repaint();
}

void SkinHost::Repaint() const
{
    ::RedrawWindow(m_hWnd, nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(20);
}

void SkinHost::DoDataExchange()
{
    DDX_Control(IDC_TEST_BUTTON, button);
    DDX_Control(IDC_TEST_BARE_BUTTON, bareButton);
    DDX_Control(IDC_TEST_FADER, slider);
    DDX_Control(IDC_TEST_LABEL, label);
}

BOOL SkinHost::OnInitDialog()
{
    CDialog::OnInitDialog();
    // No focus, so no activation: an inactive window without a caption is
    // not the window manager's, and hides without waiting for it.
    return FALSE;
}

void SkinHost::OnPaint()
{
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(m_hWnd, &paint);
    CDC composition;
    composition.CreateCompatibleDC(dc);
    {
        ScopedSelect select(composition.GetSafeHdc(), m_background.GetSafeHandle());
        ::BitBlt(dc, 0, 0, kBackgroundWidth, kBackgroundHeight, composition.GetSafeHdc(), 0, 0,
                 SRCCOPY);
        slider.CaptureBackground(composition);
        button.CaptureBackground(composition);
        bareButton.CaptureBackground(composition);
    }
    ::EndPaint(m_hWnd, &paint);
}

LRESULT SkinHost::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_CTLCOLORSTATIC:
    {
        const LRESULT brush = CDialog::WindowProc(msg, wParam, lParam);
        ::SetTextColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return brush;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_TEST_BUTTON && HIWORD(wParam) == BN_CLICKED)
            clicks.push_back(button.m_toggled);
        break;
    case WM_PNGSLIDER_CHANGED:
    case WM_PNGSLIDER_CHANGE_END:
        sliderReports.push_back(Report{msg, wParam, lParam});
        return 0;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

PixelGrab::PixelGrab(HDC source, int width, int height)
    : m_width(width), m_height(height), m_pixels(static_cast<size_t>(width) * height)
{
    DWORD* bits = nullptr;
    CBitmap copy;
    copy.Attach(CreateTopDownSection(width, height, &bits));
    CDC memory;
    memory.CreateCompatibleDC(source);
    {
        ScopedSelect select(memory.GetSafeHdc(), copy.GetSafeHandle());
        memory.BitBlt(0, 0, width, height, source, 0, 0);
        ::GdiFlush();
        if (bits)
            std::copy_n(static_cast<const DWORD*>(bits), m_pixels.size(), m_pixels.begin());
    }
}

PixelGrab PixelGrab::OfWindow(HWND window)
{
    RECT client{};
    ::GetClientRect(window, &client);
    HDC dc = ::GetDC(window);
    PixelGrab grab(dc, client.right, client.bottom);
    ::ReleaseDC(window, dc);
    return grab;
}

COLORREF PixelGrab::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return CLR_INVALID;
    const DWORD pixel = m_pixels[static_cast<size_t>(y) * m_width + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

testing::AssertionResult Near(COLORREF actual, COLORREF expected, int tolerance)
{
    if (actual != CLR_INVALID && std::abs(GetRValue(actual) - GetRValue(expected)) <= tolerance &&
        std::abs(GetGValue(actual) - GetGValue(expected)) <= tolerance &&
        std::abs(GetBValue(actual) - GetBValue(expected)) <= tolerance)
        return testing::AssertionSuccess();
    auto text = [](COLORREF c)
    {
        return "(" + std::to_string(GetRValue(c)) + ", " + std::to_string(GetGValue(c)) + ", " +
               std::to_string(GetBValue(c)) + ")";
    };
    return testing::AssertionFailure()
           << "colour " << (actual == CLR_INVALID ? "none" : text(actual)) << ", expected "
           << text(expected);
}

COLORREF PixelOf(const CDC& surface, int x, int y)
{
    return ::GetPixel(surface.GetSafeHdc(), x, y);
}

POINT PlaceInParent(HWND window)
{
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return POINT{rect.left, rect.top};
}
