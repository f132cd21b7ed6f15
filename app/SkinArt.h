#pragma once
#include "../controls/GdiPlusBitmap.h"
#include "../framework/Gdi.h"
#include <array>
#include <future>
#include <memory>
#include <type_traits>

// The panel's icon at the sizes the window shows it: the title bar's big and
// small ones, and a small one of its own for the notification area.
enum class SkinIcon
{
    Big,
    Small,
    Tray,
};

struct IconDestroyer
{
    void operator()(HICON icon) const { ::DestroyIcon(icon); }
};
using IconHandle = std::unique_ptr<std::remove_pointer_t<HICON>, IconDestroyer>;

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
// art of other scales is never touched. A skin may be made and decoded on one
// thread and handed to another, which alone uses it from then on.
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
    // The icon at its size for this DPI, handed over: the one loaded in
    // advance, else one loaded now. Null when it does not load.
    IconHandle TakeIcon(SkinIcon icon);
    // Decodes every image and the background, and loads the icons, now
    // rather than at first use.
    void DecodeAll();

    // The art scale (as a DPI) used for a display DPI.
    static UINT ArtDpiFor(UINT dpi);
    // The skin for dpi, decoded whole on a thread of its own; where no
    // thread can be had, it is decoded when it is taken.
    static std::future<std::unique_ptr<CSkinArt>> DecodeAside(UINT dpi);

private:
    IconHandle LoadSkinIcon(SkinIcon icon) const;

    UINT m_dpi;
    UINT m_artDpi;
    std::array<std::shared_ptr<const CGdiPlusBitmap>, 6> m_images;
    CBitmap m_background;
    std::array<IconHandle, 3> m_icons;
    bool m_backgroundTried = false;
};
