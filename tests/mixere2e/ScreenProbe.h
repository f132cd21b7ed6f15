#pragma once
#include <windows.h>
#include <vector>

// What a window shows on the screen, read back from the X server's picture
// of it (another process's window, as the user sees it).
class ScreenPixels
{
public:
    explicit ScreenPixels(HWND window);

    bool Empty() const { return m_pixels.empty(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // 0x00RRGGBB
    COLORREF At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x]; }

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<COLORREF> m_pixels;
};

// Mean red minus mean blue: the skin's "on" looks are warm (red mute,
// amber link), its "off" looks grey or green.
double Warmth(const ScreenPixels& pixels);
// The y of the thumb's centre in a fader: the middle of the brightest band
// as tall as the thumb; -1 when nothing was read.
int ThumbCentre(const ScreenPixels& fader, int thumbHeight = 17);
