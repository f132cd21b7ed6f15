#include "BackgroundCapture.h"

RECT RectInParent(HWND control)
{
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void CaptureFromComposition(HWND control, HDC composition, CSurface& target)
{
    RECT client{};
    ::GetClientRect(control, &client);
    const RECT under = RectInParent(control);
    if (target.Create(composition, client.right, client.bottom))
        target.BitBlt(0, 0, client.right, client.bottom, composition, under.left, under.top);
}

void CaptureFromParent(HWND control, CSurface& target, int copyWidth, int copyHeight)
{
    HWND parent = ::GetParent(control);
    RECT client{};
    ::GetClientRect(control, &client);
    const RECT under = RectInParent(control);
    HDC parentDC = ::GetDC(parent);
    if (target.Create(parentDC, client.right, client.bottom))
        target.BitBlt(0, 0, copyWidth, copyHeight, parentDC, under.left, under.top);
    ::ReleaseDC(parent, parentDC);
}
