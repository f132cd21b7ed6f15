#include "ScreenProbe.h"
#include "framework/Gdi.h"

namespace
{
int Brightness(COLORREF pixel)
{
    return static_cast<int>(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF));
}
} // namespace

ScreenPixels::ScreenPixels(HWND window)
{
    RECT rect{};
    if (!::GetWindowRect(window, &rect) || rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = ::GetDC(nullptr);
    if (!screen)
        return;
    HDC memory = ::CreateCompatibleDC(screen);
    DWORD* bits = nullptr;
    HBITMAP bitmap = CreateTopDownSection(width, height, &bits);
    if (memory && bitmap)
    {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        if (::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY))
        {
            ::GdiFlush();
            const auto* source = reinterpret_cast<const COLORREF*>(bits);
            m_pixels.assign(source, source + static_cast<size_t>(width) * height);
            m_width = width;
            m_height = height;
        }
        ::SelectObject(memory, old);
    }
    if (bitmap)
        ::DeleteObject(bitmap);
    if (memory)
        ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
}

double Warmth(const ScreenPixels& pixels)
{
    if (pixels.Empty())
        return 0;
    double sum = 0;
    for (int y = 0; y < pixels.Height(); ++y)
        for (int x = 0; x < pixels.Width(); ++x)
        {
            const COLORREF pixel = pixels.At(x, y);
            sum += static_cast<double>((pixel >> 16) & 0xFF) - (pixel & 0xFF);
        }
    return sum / (static_cast<double>(pixels.Width()) * pixels.Height());
}

int ThumbCentre(const ScreenPixels& fader, int thumbHeight)
{
    if (fader.Empty() || fader.Height() < thumbHeight)
        return -1;
    std::vector<long> rows(static_cast<size_t>(fader.Height()), 0);
    for (int y = 0; y < fader.Height(); ++y)
        for (int x = 0; x < fader.Width(); ++x)
            rows[y] += Brightness(fader.At(x, y));
    long band = 0;
    for (int y = 0; y < thumbHeight; ++y)
        band += rows[y];
    long best = band;
    int bestTop = 0;
    for (int top = 1; top + thumbHeight <= fader.Height(); ++top)
    {
        band += rows[top + thumbHeight - 1] - rows[top - 1];
        if (band > best)
        {
            best = band;
            bestTop = top;
        }
    }
    return bestTop + thumbHeight / 2;
}
