#include "TabOrder.h"

// A position change that changes nothing still costs its round of messages:
// each of these leaves a control that is already in place alone.

void SizeAtTop(HWND control, int width, int height)
{
    RECT rect{};
    ::GetWindowRect(control, &rect);
    if (!::GetWindow(control, GW_HWNDPREV) && rect.right - rect.left == width &&
        rect.bottom - rect.top == height)
        return;
    ::SetWindowPos(control, HWND_TOP, 0, 0, width, height, SWP_NOMOVE);
}

void StackInTabOrder(HWND dialog, std::initializer_list<int> ids)
{
    HWND previous = nullptr;
    for (int id : ids)
    {
        HWND control = ::GetDlgItem(dialog, id);
        if (!control)
            continue;
        if (::GetWindow(control, GW_HWNDPREV) != previous)
            ::SetWindowPos(control, previous ? previous : HWND_TOP, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
        previous = control;
    }
}
