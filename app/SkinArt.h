#pragma once
#include "../controls/GdiPlusBitmap.h"
#include "../framework/Gdi.h"
#include <array>
#include <memory>

enum class SkinImage
{
    FaderTrack,
    FaderThumb,
    LinkOn,
    LinkOff,
    MuteOn,
    MuteOff,
};

// The panel's skin at one DPI, drawn from the art made for the smallest
// scale at or above it (the largest above 2.5). Each image is decoded at its
// first use, once, and shared read-only with the controls that show it; the
// art of other scales is never touched.
class CSkinArt
{
public:
    explicit CSkinArt(UINT dpi);
    CSkinArt(const CSkinArt&) = delete;
    CSkinArt& operator=(const CSkinArt&) = delete;

    UINT Dpi() const { return m_dpi; }
    // The DPI the chosen art was made for.
    UINT ArtDpi() const { return m_artDpi; }
    // The image at its 96-DPI size times the scale; null when it does not load.
    std::shared_ptr<const CGdiPlusBitmap> Image(SkinImage image);
    // The whole client area's background; empty when it does not load.
    const CBitmap& Background();

    // The art scale (as a DPI) used for a display DPI.
    static UINT ArtDpiFor(UINT dpi);

private:
    UINT m_dpi;
    UINT m_artDpi;
    std::array<std::shared_ptr<const CGdiPlusBitmap>, 6> m_images;
    CBitmap m_background;
    bool m_backgroundTried = false;
};
