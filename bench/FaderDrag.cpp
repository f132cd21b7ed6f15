#include "FaderDrag.h"
#include "Figures.h"
#include <algorithm>

DragSpan DragFader(HWND fader, double ms, const std::function<void()>& between)
{
    RECT client{};
    ::GetClientRect(fader, &client);
    const int height = std::max<int>(client.bottom, 2);
    const int x = client.right / 2;
    ::PostMessageW(fader, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, height / 2));
    const double start = NowMs();
    for (int step = 0; NowMs() - start < ms; ++step)
    {
        // Up and down the whole track, two pixels a step.
        const int span = 2 * (height - 1);
        const int phase = (step * 2) % span;
        const int y = phase < height ? phase : span - phase;
        ::PostMessageW(fader, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
        between();
    }
    const double end = NowMs();
    ::PostMessageW(fader, WM_LBUTTONUP, 0, MAKELPARAM(x, height / 2));
    return {start, end};
}
