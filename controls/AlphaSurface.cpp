#include "AlphaSurface.h"
#include <algorithm>
#include <cstring>

namespace
{
// Draws through the surface's context, as a paint would.
void DrawInto(const CSurface& surface, const std::function<void(Gdiplus::Graphics&)>& draw)
{
    {
        Gdiplus::Graphics graphics(surface.GetSafeHdc());
        draw(graphics);
    }
    ::GdiFlush();
}
} // namespace

bool CAlphaSurface::Render(int width, int height,
                           const std::function<void(Gdiplus::Graphics&)>& draw)
{
    Release();
    if (width <= 0 || height <= 0 || width > 0x4000 || height > 0x4000)
        return false;
    // Drawn once over black and once over white, exactly as a paint would
    // blend it: over black each pixel is its premultiplied colour, and what
    // white adds is 255 less its alpha. Blending the result later gives the
    // very pixels that drawing the image there would have.
    DWORD* overBlack = nullptr;
    DWORD* overWhite = nullptr;
    CSurface white;
    if (!m_surface.CreateSection(width, height, &overBlack) ||
        !white.CreateSection(width, height, &overWhite))
    {
        Release();
        return false;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::memset(overWhite, 0xFF, count * sizeof(DWORD));
    DrawInto(m_surface, draw);
    DrawInto(white, draw);
    for (size_t i = 0; i < count; ++i)
    {
        const DWORD black = overBlack[i];
        const int added =
            static_cast<int>(overWhite[i] >> 8 & 0xFF) - static_cast<int>(black >> 8 & 0xFF);
        const DWORD alpha = static_cast<DWORD>(255 - std::clamp(added, 0, 255));
        // A premultiplied colour never exceeds its alpha.
        DWORD pixel = alpha << 24;
        for (int shift : {0, 8, 16})
            pixel |= std::min(black >> shift & 0xFF, alpha) << shift;
        overBlack[i] = pixel;
    }
    m_width = width;
    m_height = height;
    return true;
}

void CAlphaSurface::BlendOnto(HDC target, int x, int y) const
{
    if (IsEmpty())
        return;
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ::AlphaBlend(target, x, y, m_width, m_height, m_surface.GetSafeHdc(), 0, 0, m_width, m_height,
                 blend);
}
