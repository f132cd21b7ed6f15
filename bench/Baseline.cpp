// A plain dialog with no skin and no device: what any window costs to show.
#include <windows.h>

namespace
{
INT_PTR CALLBACK BaselineProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
    {
        ::EndDialog(dialog, 0);
        return TRUE;
    }
    return msg == WM_INITDIALOG;
}
} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    return static_cast<int>(
        ::DialogBoxParamW(instance, MAKEINTRESOURCEW(1), nullptr, BaselineProc, 0));
}
