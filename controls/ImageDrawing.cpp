#include "ImageDrawing.h"

namespace
{
Gdiplus::Bitmap* ImageOf(const CGdiPlusBitmap* holder)
{
    return holder ? holder->m_image.get() : nullptr;
}
} // namespace

SIZE ImageSize(const CGdiPlusBitmap* holder)
{
    Gdiplus::Bitmap* image = ImageOf(holder);
    if (!image)
        return SIZE{0, 0};
    return SIZE{static_cast<LONG>(image->GetWidth()), static_cast<LONG>(image->GetHeight())};
}

void DrawImageScaled(Gdiplus::Graphics& graphics, const CGdiPlusBitmap* holder, int x, int y,
                     int width, int height)
{
    if (Gdiplus::Bitmap* image = ImageOf(holder))
        graphics.DrawImage(image, x, y, width, height);
}

void DrawImageThroughMatrix(Gdiplus::Graphics& graphics, const CGdiPlusBitmap* holder,
                            const Gdiplus::ColorMatrix& matrix, float x, float y, float width,
                            float height)
{
    Gdiplus::Bitmap* image = ImageOf(holder);
    if (!image)
        return;
    Gdiplus::ImageAttributes attributes;
    attributes.SetColorMatrix(&matrix, Gdiplus::ColorMatrixFlagsDefault,
                              Gdiplus::ColorAdjustTypeDefault);
    graphics.DrawImage(image, Gdiplus::RectF(x, y, width, height), 0.0f, 0.0f, width, height,
                       Gdiplus::UnitPixel, &attributes);
}
