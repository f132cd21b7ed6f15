#include "SkinHost.h"
#include <algorithm>
#include <gtest/gtest.h>

namespace
{
constexpr COLORREF kWhite = RGB(255, 255, 255);

// How many pixels of the label differ from the host's background, in columns [from, to).
int MarkedPixels(const CTransparentStatic2& label, int from, int to)
{
    const POINT place = PlaceInParent(label.m_hWnd);
    const PixelGrab shown = PixelGrab::OfWindow(label.m_hWnd);
    int marked = 0;
    for (int y = 0; y < shown.Height(); ++y)
        for (int x = from; x < std::min(to, shown.Width()); ++x)
            marked += shown.At(x, y) != SkinHost::BackgroundAt(place.x + x, place.y + y);
    return marked;
}
} // namespace

TEST(TransparentLabel, NewTextLeavesNoTraceOfTheOldOne)
{
    SkinHost host;
    ASSERT_TRUE(host.Create());
    host.Show();
    CTransparentStatic2& label = host.label;
    ASSERT_NE(label.m_capturedBackground.GetSafeHandle(), nullptr) << "captured at the first erase";
    RECT client{};
    ::GetClientRect(label.m_hWnd, &client);
    const int width = client.right;

    // Drawn at once, white glyphs straight on the skin.
    ::SetWindowTextW(label.m_hWnd, L"-128888");
    EXPECT_GT(MarkedPixels(label, 0, width / 2), 0);
    const POINT place = PlaceInParent(label.m_hWnd);
    const PixelGrab shown = PixelGrab::OfWindow(label.m_hWnd);
    int white = 0;
    int darker = 0;
    for (int y = 0; y < shown.Height(); ++y)
        for (int x = 0; x < width; ++x)
        {
            const COLORREF pixel = shown.At(x, y);
            white += pixel == kWhite;
            // Nothing but glyphs: no pixel is darker than the skin under it.
            darker +=
                GetBValue(pixel) < GetBValue(SkinHost::BackgroundAt(place.x + x, place.y + y));
        }
    EXPECT_GT(white, 0);
    EXPECT_EQ(darker, 0);

    // Right-aligned "0" takes only the right end: the rest is the skin again.
    ::SetWindowTextW(label.m_hWnd, L"0");
    EXPECT_EQ(MarkedPixels(label, 0, width / 2), 0);
    EXPECT_GT(MarkedPixels(label, width / 2, width), 0);

    // The same text again still repaints, over the restored skin.
    HDC dc = ::GetDC(label.m_hWnd);
    ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::ReleaseDC(label.m_hWnd, dc);
    ASSERT_GT(MarkedPixels(label, 0, width / 2), 0);
    ::SetWindowTextW(label.m_hWnd, L"0");
    EXPECT_EQ(MarkedPixels(label, 0, width / 2), 0);
    EXPECT_GT(MarkedPixels(label, width / 2, width), 0);
}
