#include "SkinArt.h"
#include "../controls/DisplayScale.h"
#include "../controls/ScaledImage.h"
#include "resource.h"

namespace
{
// Resolutions the art is rendered for (res/render-skin): 100 % to 250 %.
constexpr UINT kArtDpis[] = {96, 120, 144, 168, 192, 240};

struct ImageArt
{
    UINT baseId; // the 96-DPI art
    SIZE size;   // its size at 96 DPI
};

constexpr ImageArt kImages[] = {
    {IDB_FADER_TRACK, {24, 150}}, {IDB_FADER_THUMB, {24, 24}}, {IDB_LINK_ON, {19, 23}},
    {IDB_LINK_OFF, {19, 23}},     {IDB_MUTE_ON, {41, 40}},     {IDB_MUTE_OFF, {41, 40}},
};
constexpr SIZE kBackgroundSize{450, 276};

// Art of the larger scales: IDB_SCALED_ART + 10 x (scale's place, 1 to 5) +
// (0 for the background, 1 + the image's place otherwise); see skin-scales.rc.
UINT ScaledId(UINT artDpi, int item)
{
    int place = 0;
    while (kArtDpis[place] != artDpi)
        ++place;
    return IDB_SCALED_ART + 10 * static_cast<UINT>(place) + static_cast<UINT>(item);
}
} // namespace

CSkinArt::CSkinArt(UINT dpi) : m_dpi(dpi), m_artDpi(ArtDpiFor(dpi)) {}

UINT CSkinArt::ArtDpiFor(UINT dpi)
{
    for (UINT artDpi : kArtDpis)
        if (artDpi >= dpi)
            return artDpi;
    return kArtDpis[std::size(kArtDpis) - 1];
}

std::shared_ptr<const CGdiPlusBitmap> CSkinArt::Image(SkinImage image)
{
    const auto index = static_cast<size_t>(image);
    std::shared_ptr<const CGdiPlusBitmap>& held = m_images[index];
    if (!held)
    {
        const ImageArt& art = kImages[index];
        const UINT id =
            m_artDpi == kBaseDpi ? art.baseId : ScaledId(m_artDpi, 1 + static_cast<int>(index));
        held = LoadPngAtSize(id, ScaleToDpi(art.size, m_dpi));
    }
    return held;
}

std::future<std::unique_ptr<CSkinArt>> CSkinArt::DecodeAside(UINT dpi)
{
    return std::async(std::launch::async | std::launch::deferred,
                      [dpi]
                      {
                          auto skin = std::make_unique<CSkinArt>(dpi);
                          skin->DecodeAll();
                          return skin;
                      });
}

void CSkinArt::DecodeAll()
{
    for (size_t image = 0; image < m_images.size(); ++image)
        Image(static_cast<SkinImage>(image));
    Background();
    for (size_t icon = 0; icon < m_icons.size(); ++icon)
        m_icons[icon] = LoadSkinIcon(static_cast<SkinIcon>(icon));
}

IconHandle CSkinArt::TakeIcon(SkinIcon icon)
{
    IconHandle& held = m_icons[static_cast<size_t>(icon)];
    return held ? std::move(held) : LoadSkinIcon(icon);
}

IconHandle CSkinArt::LoadSkinIcon(SkinIcon icon) const
{
    const int size = SystemMetricForDpi(icon == SkinIcon::Big ? SM_CXICON : SM_CXSMICON, m_dpi);
    return IconHandle(static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                      MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                                      size, size, LR_DEFAULTCOLOR)));
}

const CBitmap& CSkinArt::Background()
{
    if (!m_backgroundTried)
    {
        m_backgroundTried = true;
        const bool base = m_artDpi == kBaseDpi;
        LoadBitmapAtSize(base ? IDB_BACKGROUND : ScaledId(m_artDpi, 0), base,
                         ScaleToDpi(kBackgroundSize, m_dpi), m_background);
    }
    return m_background;
}
