#include "DisplayScale.h"

namespace
{
// The named function of user32, or null where this Windows lacks it.
template <typename Function> Function User32Function(const char* name)
{
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(user32, name)))
               : nullptr;
}

UINT SystemDpi()
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : kBaseDpi;
}

// Values of SetDialogDpiChangeBehavior and SetDialogControlDpiChangeBehavior.
constexpr int kDialogDisableAll = 1;
constexpr int kControlDisableFontUpdate = 1;
constexpr int kControlDisableRelayout = 2;
} // namespace

int ScaleToDpi(int value96, UINT dpi)
{
    const long long scaled = static_cast<long long>(value96) * dpi;
    const long long half = kBaseDpi / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kBaseDpi : (scaled - half) / kBaseDpi);
}

SIZE ScaleToDpi(SIZE size96, UINT dpi)
{
    return SIZE{ScaleToDpi(size96.cx, dpi), ScaleToDpi(size96.cy, dpi)};
}

UINT WindowDpi(HWND window)
{
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && window)
        if (const UINT dpi = getDpiForWindow(window))
            return dpi;
    return SystemDpi();
}

int SystemMetricForDpi(int index, UINT dpi)
{
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    const auto forDpi = User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (forDpi)
        return forDpi(index, dpi);
    return ::MulDiv(::GetSystemMetrics(index), static_cast<int>(dpi),
                    static_cast<int>(SystemDpi()));
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, bool hasMenu, DWORD exStyle, UINT dpi)
{
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    const auto adjust = User32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (adjust && adjust(&rect, style, hasMenu, exStyle, dpi))
        return;
    ::AdjustWindowRectEx(&rect, style, hasMenu, exStyle);
}

void KeepDialogLayoutOnDpiChange(HWND dialog)
{
    using DialogBehaviourFn = BOOL(WINAPI*)(HWND, int, int);
    const auto forDialog = User32Function<DialogBehaviourFn>("SetDialogDpiChangeBehavior");
    const auto forControl = User32Function<DialogBehaviourFn>("SetDialogControlDpiChangeBehavior");
    if (forDialog)
        forDialog(dialog, kDialogDisableAll, kDialogDisableAll);
    if (!forControl)
        return;
    constexpr int kControlAll = kControlDisableFontUpdate | kControlDisableRelayout;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        forControl(child, kControlAll, kControlAll);
}
