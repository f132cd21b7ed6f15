#include "TabOrder.h"

void StackInTabOrder(HWND dialog, std::initializer_list<int> ids)
{
    HWND previous = HWND_TOP;
    for (int id : ids)
    {
        HWND control = ::GetDlgItem(dialog, id);
        if (!control)
            continue;
        ::SetWindowPos(control, previous, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
        previous = control;
    }
}
