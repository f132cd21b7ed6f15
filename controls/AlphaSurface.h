#pragma once
#include "../framework/Gdi.h"
#include <gdiplus.h>
#include <functional>

// An image with its own alpha, kept premultiplied in a 32-bit DIB section:
// drawn once through GDI+, then blended with AlphaBlend at every paint, which
// costs a fraction of drawing the image again.
class CAlphaSurface
{
public:
    CAlphaSurface() = default;
    ~CAlphaSurface() { Release(); }
    CAlphaSurface(const CAlphaSurface&) = delete;
    CAlphaSurface& operator=(const CAlphaSurface&) = delete;

    // Replaces the surface by a clear width x height one holding what draw
    // blends into it; false leaves the surface empty.
    bool Render(int width, int height, const std::function<void(Gdiplus::Graphics&)>& draw);
    void Release();
    bool IsEmpty() const { return m_dc.IsEmpty(); }
    // Blends the surface over target with its top left corner at (x, y).
    void BlendOnto(HDC target, int x, int y) const;

private:
    CDC m_dc;
    CBitmap m_bitmap;
    HGDIOBJ m_previousBitmap = nullptr;
    int m_width = 0;
    int m_height = 0;
};
