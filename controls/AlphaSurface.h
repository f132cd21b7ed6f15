#pragma once
#include "Surface.h"
#include <gdiplus.h>
#include <functional>

// An image with its own alpha, kept premultiplied in a 32-bit DIB section:
// drawn once through GDI+, then blended with AlphaBlend at every paint, which
// costs a fraction of drawing the image again.
class CAlphaSurface
{
public:
    // Replaces the surface by a clear width x height one holding what draw
    // blends into it; false leaves the surface empty.
    bool Render(int width, int height, const std::function<void(Gdiplus::Graphics&)>& draw);
    void Release() { m_surface.Release(); }
    bool IsEmpty() const { return m_surface.IsEmpty(); }
    // Blends the surface over target with its top left corner at (x, y).
    void BlendOnto(HDC target, int x, int y) const;

private:
    CSurface m_surface;
    int m_width = 0;
    int m_height = 0;
};
