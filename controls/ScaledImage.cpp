#include "ScaledImage.h"

namespace
{
bool HasSize(Gdiplus::Bitmap& image, SIZE size)
{
    return static_cast<LONG>(image.GetWidth()) == size.cx &&
           static_cast<LONG>(image.GetHeight()) == size.cy;
}

// The image redrawn into size with the best filter GDI+ has; null on failure.
std::unique_ptr<Gdiplus::Bitmap> Resampled(Gdiplus::Bitmap& image, SIZE size)
{
    auto target = std::make_unique<Gdiplus::Bitmap>(size.cx, size.cy, PixelFormat32bppPARGB);
    if (target->GetLastStatus() != Gdiplus::Ok)
        return nullptr;
    Gdiplus::Graphics graphics(target.get());
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
    // Edge pixels are sampled from the image itself, not from around it.
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    const Gdiplus::Status drawn = graphics.DrawImage(
        &image, Gdiplus::Rect(0, 0, size.cx, size.cy), 0, 0, static_cast<INT>(image.GetWidth()),
        static_cast<INT>(image.GetHeight()), Gdiplus::UnitPixel, &attributes);
    return drawn == Gdiplus::Ok ? std::move(target) : nullptr;
}
} // namespace

std::shared_ptr<const CGdiPlusBitmap> LoadPng(UINT id)
{
    auto image = std::make_shared<CGdiPlusBitmapResource>();
    image->LoadPngResource(id);
    return image;
}

std::shared_ptr<const CGdiPlusBitmap> LoadPngAtSize(UINT id, SIZE size)
{
    auto decoded = std::make_shared<CGdiPlusBitmapResource>();
    if (!decoded->LoadPngResource(id))
        return nullptr;
    if (HasSize(*decoded->m_image, size))
        return decoded;
    auto resampled = std::make_shared<CGdiPlusBitmap>();
    resampled->m_image = Resampled(*decoded->m_image, size);
    return resampled->m_image ? resampled : nullptr;
}

bool LoadBitmapAtSize(UINT id, bool bitmap, SIZE size, CBitmap& target)
{
    target.DeleteObject();
    std::shared_ptr<const CGdiPlusBitmap> png;
    std::unique_ptr<Gdiplus::Bitmap> fromBitmap;
    Gdiplus::Bitmap* image = nullptr;
    if (bitmap)
    {
        // The system's own loader where no scaling is needed: the same pixels as ever.
        if (target.LoadBitmap(id) && target.GetSize().cx == size.cx &&
            target.GetSize().cy == size.cy)
            return true;
        target.DeleteObject();
        fromBitmap.reset(
            Gdiplus::Bitmap::FromResource(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id)));
        image = fromBitmap.get();
    }
    else
    {
        png = LoadPngAtSize(id, size);
        image = png ? png->m_image.get() : nullptr;
    }
    if (!image || image->GetLastStatus() != Gdiplus::Ok)
        return false;
    std::unique_ptr<Gdiplus::Bitmap> resampled;
    if (!HasSize(*image, size))
    {
        resampled = Resampled(*image, size);
        if (!resampled)
            return false;
        image = resampled.get();
    }
    HBITMAP handle = nullptr;
    if (image->GetHBITMAP(Gdiplus::Color(0, 0, 0), &handle) != Gdiplus::Ok || !handle)
        return false;
    target.Attach(handle);
    return true;
}
