#pragma once
#include <windows.h>
#include <functional>

struct DragSpan
{
    double startMs;
    double endMs;
};

// Drags a fader of the running panel as a held mouse would: button down, a
// move posted at each step up and down the whole track for the time given,
// button up. `between` runs after each move and sets the pace. The span is
// on NowMs()'s clock.
DragSpan DragFader(HWND fader, double ms, const std::function<void()>& between);
