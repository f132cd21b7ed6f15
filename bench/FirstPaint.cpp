#include "FirstPaint.h"
#include "Figures.h"
#include "framework/Gdi.h"
#include "tests/support/PanelProcess.h"
#include <vector>

namespace
{
// A window counts as painted when its pixels stayed the same this long.
constexpr double kSettledMs = 400;
constexpr double kGiveUpMs = 20000;

// A fingerprint of what the screen shows in the window's client area.
unsigned long long ClientPixels(HWND window)
{
    RECT client{};
    ::GetClientRect(window, &client);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0)
        return 0;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    DWORD* bits = nullptr;
    HBITMAP bitmap = CreateTopDownSection(width, height, &bits);
    unsigned long long hash = 1469598103934665603ull;
    if (bitmap)
    {
        HGDIOBJ old = ::SelectObject(memory, bitmap);
        ::BitBlt(memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
        ::GdiFlush();
        const auto* pixel = reinterpret_cast<const unsigned char*>(bits);
        for (size_t i = 0; i < static_cast<size_t>(width) * height * 4; ++i)
            hash = (hash ^ pixel[i]) * 1099511628211ull;
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
    }
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return hash;
}
} // namespace

double TimeToFirstPaint(const std::wstring& program, const std::function<HWND()>& find,
                        const std::wstring& arguments)
{
    const double start = NowMs();
    ChildProcess process(program, arguments);
    if (!process.Started())
        return -1;
    HWND window = nullptr;
    unsigned long long last = 0;
    double changed = 0;
    for (double now = NowMs(); now - start < kGiveUpMs; now = NowMs())
    {
        if (!window)
            window = find();
        if (window && ::IsWindowVisible(window))
        {
            const unsigned long long pixels = ClientPixels(window);
            if (changed == 0 || pixels != last)
            {
                last = pixels;
                changed = now;
            }
            else if (now - changed >= kSettledMs)
            {
                // Closed as a user would: a killed window leaves Wine waiting on it.
                ::PostMessageW(window, WM_CLOSE, 0, 0);
                process.WaitExit(5000);
                return changed - start;
            }
        }
        ::Sleep(2);
    }
    return -1;
}

HWND FirstPanelWindow()
{
    const std::vector<HWND> windows = PanelWindows();
    return windows.empty() ? nullptr : windows.front();
}
