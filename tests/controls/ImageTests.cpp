#include "ControlsTestIds.h"
#include "SkinHost.h"
#include "controls/AlphaSurface.h"
#include "controls/GdiPlusBitmap.h"
#include "controls/MemDC.h"
#include "controls/Surface.h"
#include <gtest/gtest.h>

namespace
{
COLORREF ImagePixel(const CGdiPlusBitmap& holder, int x, int y)
{
    Gdiplus::Color colour;
    holder.m_image->GetPixel(x, y, &colour);
    return RGB(colour.GetR(), colour.GetG(), colour.GetB());
}

// A white memory surface to draw on.
void MakeWhite(CSurface& surface, int width, int height)
{
    HDC screen = ::GetDC(nullptr);
    surface.Create(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    RECT all{0, 0, width, height};
    ::FillRect(surface.GetSafeHdc(), &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
}
} // namespace

TEST(PngResource, DecodesTheImageFromAPrivateCopyAndFreesItOnReload)
{
    CGdiPlusBitmapResource holder;
    ASSERT_TRUE(holder.LoadPngResource(IDP_TEST_CROP));
    ASSERT_NE(holder.m_image, nullptr);
    EXPECT_NE(holder.m_globalCopy, nullptr);
    EXPECT_EQ(holder.m_image->GetWidth(), 41u);
    EXPECT_EQ(holder.m_image->GetHeight(), 40u);
    EXPECT_TRUE(Near(ImagePixel(holder, 0, 0), RGB(255, 0, 0), 0));
    EXPECT_TRUE(Near(ImagePixel(holder, 40, 39), RGB(0, 255, 0), 0));

    ASSERT_TRUE(holder.LoadPngResource(IDP_TEST_LEVELS));
    EXPECT_EQ(holder.m_image->GetWidth(), 34u);
    EXPECT_TRUE(Near(ImagePixel(holder, 15, 0), RGB(255, 255, 255), 0));
}

TEST(PngResource, FailureLeavesTheHolderEmpty)
{
    CGdiPlusBitmapResource holder;
    ASSERT_TRUE(holder.LoadPngResource(IDP_TEST_CROP));
    // No such resource, then one that is no decodable image.
    for (UINT id : {899u, static_cast<UINT>(IDP_TEST_BROKEN)})
    {
        EXPECT_FALSE(holder.LoadPngResource(id)) << id;
        EXPECT_EQ(holder.m_image, nullptr) << id;
        EXPECT_EQ(holder.m_globalCopy, nullptr) << id;
    }
}

TEST(MemDC, ReachesTheTargetInOneCopyOfItsArea)
{
    CSurface target;
    MakeWhite(target, 40, 40);
    {
        const RECT area{10, 10, 30, 30};
        CMemDC memDC(target.GetSafeHdc(), area);
        ASSERT_TRUE(memDC.IsOffscreen());
        // Drawn in the target's coordinates.
        RECT inside{10, 10, 20, 20};
        ::FillRect(memDC.GetSafeHdc(), &inside, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        EXPECT_EQ(PixelOf(target, 12, 12), RGB(255, 255, 255))
            << "nothing reaches the target early";
    }
    EXPECT_EQ(PixelOf(target, 10, 10), RGB(0, 0, 0));
    EXPECT_EQ(PixelOf(target, 19, 19), RGB(0, 0, 0));
    EXPECT_EQ(PixelOf(target, 9, 9), RGB(255, 255, 255)) << "outside the area";
    EXPECT_EQ(PixelOf(target, 30, 30), RGB(255, 255, 255)) << "outside the area";
}

TEST(MemDC, AnAllZeroAreaCoversTheTargetsClipBox)
{
    CSurface target;
    MakeWhite(target, 40, 40);
    ::IntersectClipRect(target.GetSafeHdc(), 5, 6, 25, 27);
    CMemDC memDC(target.GetSafeHdc(), RECT{});
    const RECT& area = memDC.Area();
    EXPECT_EQ(area.left, 5);
    EXPECT_EQ(area.top, 6);
    EXPECT_EQ(area.right, 25);
    EXPECT_EQ(area.bottom, 27);
}

// A look kept blended once gives the very pixels of drawing it again, at its
// natural size and scaled, over any background.
TEST(AlphaSurface, BlendsAsDrawingTheImageWould)
{
    Gdiplus::Bitmap image(8, 8, PixelFormat32bppARGB);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            image.SetPixel(
                x, y,
                Gdiplus::Color(static_cast<BYTE>(x * 36), static_cast<BYTE>(200 - y * 20),
                               static_cast<BYTE>(x * y * 4), static_cast<BYTE>(255 - x * 30)));
    for (int size : {8, 13})
    {
        const auto draw = [&](Gdiplus::Graphics& graphics)
        { graphics.DrawImage(&image, 0, 0, size, size); };
        CSurface direct;
        CSurface blended;
        for (CSurface* surface : {&direct, &blended})
        {
            MakeWhite(*surface, 16, 16);
            const RECT half{0, 0, 16, 7};
            ::FillRect(surface->GetSafeHdc(), &half,
                       static_cast<HBRUSH>(::GetStockObject(DKGRAY_BRUSH)));
        }
        {
            Gdiplus::Graphics graphics(direct.GetSafeHdc());
            draw(graphics);
        }
        CAlphaSurface look;
        ASSERT_TRUE(look.Render(size, size, draw));
        look.BlendOnto(blended.GetSafeHdc(), 0, 0);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(PixelOf(blended, x, y), PixelOf(direct, x, y))
                    << "size " << size << " at " << x << "," << y;
    }
    CAlphaSurface none;
    EXPECT_FALSE(none.Render(0, 5, [](Gdiplus::Graphics&) {}));
    EXPECT_TRUE(none.IsEmpty());
}
