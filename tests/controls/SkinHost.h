#pragma once
#include "controls/GdipButton.h"
#include "controls/PngSlider.h"
#include "controls/TransparentStatic2.h"
#include "framework/Dialog.h"
#include "framework/Gdi.h"
#include <gtest/gtest.h>
#include <vector>

// A test window that hosts the skinned controls as the panel does: it paints
// a background whose every pixel tells its place, hands the clean background
// to the controls, colours static text white, and records what they report.
class SkinHost : public CDialog
{
public:
    SkinHost();

    // The background's colour at a point of the client area.
    static COLORREF BackgroundAt(int x, int y);
    // Shows the created window and paints it with every child.
    void Show() const;
    void Repaint() const;

    CGdipButton button;
    CGdipButton bareButton;
    CPngSlider slider;
    CTransparentStatic2 label;

    struct Report
    {
        UINT message;
        WPARAM id;
        LPARAM position;
    };
    std::vector<Report> sliderReports;
    // The button's toggle state as the click handler saw it, per click.
    std::vector<BOOL> clicks;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();

    CBitmap m_background;
};

// A copy of what a window or drawing context shows, to read pixels from.
class PixelGrab
{
public:
    PixelGrab(HDC source, int width, int height);
    static PixelGrab OfWindow(HWND window);
    PixelGrab(PixelGrab&&) = default;

    COLORREF At(int x, int y) const;
    int Width() const { return m_width; }
    int Height() const { return m_height; }

private:
    int m_width;
    int m_height;
    std::vector<DWORD> m_pixels;
};

// Every channel within tolerance of the expected one.
testing::AssertionResult Near(COLORREF actual, COLORREF expected, int tolerance = 3);
// A pixel of a surface or other memory context.
COLORREF PixelOf(const CDC& surface, int x, int y);
// The window's top-left in its parent's client coordinates.
POINT PlaceInParent(HWND window);
