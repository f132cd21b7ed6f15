#include "GuiObjects.h"
#include "tests/support/ImportHook.h"
#include <gdiplus.h>
#include <mutex>
#include <unordered_map>

namespace
{
enum class Kind
{
    Gdi,
    Menu,
    Icon
};

struct Tracked
{
    static inline std::mutex lock;
    static inline std::unordered_map<HANDLE, Kind> handles;
};

void Created(HANDLE handle, Kind kind)
{
    if (!handle)
        return;
    std::lock_guard guard(Tracked::lock);
    Tracked::handles[handle] = kind;
}

void Deleted(HANDLE handle)
{
    std::lock_guard guard(Tracked::lock);
    Tracked::handles.erase(handle);
}

// One hooked call: Id tells the hooks of the same signature apart.
template <int Id, typename Result, typename... Args> struct Hook
{
    static inline Result(WINAPI* original)(Args...) = nullptr;

    template <Kind kind> static Result WINAPI Create(Args... args)
    {
        const Result result = original(args...);
        Created(reinterpret_cast<HANDLE>(result), kind);
        return result;
    }
    // The handle is the last argument (ReleaseDC) or the only one.
    template <typename Handle> static Result WINAPI Delete(Args... args)
    {
        Handle handle = nullptr;
        ((handle = reinterpret_cast<Handle>(args)), ...);
        const Result result = original(args...);
        if (result)
            Deleted(handle);
        return result;
    }
    static bool Install(const char* module, const char* function, void* replacement)
    {
        original = reinterpret_cast<decltype(original)>(HookImport(module, function, replacement));
        return original != nullptr;
    }
};

HANDLE WINAPI LoadImageHook(HINSTANCE, LPCWSTR, UINT, int, int, UINT);
using LoadImageHookType = Hook<20, HANDLE, HINSTANCE, LPCWSTR, UINT, int, int, UINT>;
HANDLE WINAPI LoadImageHook(HINSTANCE module, LPCWSTR name, UINT type, int cx, int cy, UINT flags)
{
    HANDLE image = LoadImageHookType::original(module, name, type, cx, cy, flags);
    // Shared images belong to the system.
    if (!(flags & LR_SHARED))
        Created(image, type == IMAGE_BITMAP ? Kind::Gdi : Kind::Icon);
    return image;
}

using GdipHBitmapHookType =
    Hook<21, Gdiplus::GpStatus, Gdiplus::GpBitmap*, HBITMAP*, Gdiplus::ARGB>;
Gdiplus::GpStatus WINAPI GdipHBitmapHook(Gdiplus::GpBitmap* bitmap, HBITMAP* result,
                                         Gdiplus::ARGB background)
{
    const Gdiplus::GpStatus status = GdipHBitmapHookType::original(bitmap, result, background);
    if (status == Gdiplus::Ok && result)
        Created(*result, Kind::Gdi);
    return status;
}

template <typename H> void* Entry(H function)
{
    return reinterpret_cast<void*>(function);
}

bool Alive(HANDLE handle, Kind kind)
{
    switch (kind)
    {
    case Kind::Gdi:
        return ::GetObjectType(handle) != 0;
    case Kind::Menu:
        return ::IsMenu(static_cast<HMENU>(handle));
    case Kind::Icon:
        break;
    }
    ICONINFO info{};
    if (!::GetIconInfo(static_cast<HICON>(handle), &info))
        return false;
    for (HBITMAP part : {info.hbmColor, info.hbmMask})
        if (part)
            ::DeleteObject(part);
    return true;
}

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
    ++*reinterpret_cast<long*>(count);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count)
{
    ++*reinterpret_cast<long*>(count);
    ::EnumChildWindows(window, &CountChild, count);
    return TRUE;
}
} // namespace

bool CountGuiObjects()
{
    static const bool installed = []
    {
        using G = Kind;
        bool any = false;
        // Creation.
        using Bitmap = Hook<1, HBITMAP, HDC, int, int>;
        any |=
            Bitmap::Install("gdi32.dll", "CreateCompatibleBitmap", Entry(&Bitmap::Create<G::Gdi>));
        using RawBitmap = Hook<2, HBITMAP, int, int, UINT, UINT, const void*>;
        any |= RawBitmap::Install("gdi32.dll", "CreateBitmap", Entry(&RawBitmap::Create<G::Gdi>));
        using Dib = Hook<3, HBITMAP, HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD>;
        any |= Dib::Install("gdi32.dll", "CreateDIBSection", Entry(&Dib::Create<G::Gdi>));
        using Dc = Hook<4, HDC, HDC>;
        any |= Dc::Install("gdi32.dll", "CreateCompatibleDC", Entry(&Dc::Create<G::Gdi>));
        using Font = Hook<5, HFONT, const LOGFONTW*>;
        any |= Font::Install("gdi32.dll", "CreateFontIndirectW", Entry(&Font::Create<G::Gdi>));
        using Brush = Hook<6, HBRUSH, COLORREF>;
        any |= Brush::Install("gdi32.dll", "CreateSolidBrush", Entry(&Brush::Create<G::Gdi>));
        using Pen = Hook<7, HPEN, int, int, COLORREF>;
        any |= Pen::Install("gdi32.dll", "CreatePen", Entry(&Pen::Create<G::Gdi>));
        using Region = Hook<8, HRGN, int, int, int, int>;
        any |= Region::Install("gdi32.dll", "CreateRectRgn", Entry(&Region::Create<G::Gdi>));
        using WindowDc = Hook<9, HDC, HWND>;
        any |= WindowDc::Install("user32.dll", "GetDC", Entry(&WindowDc::Create<G::Gdi>));
        using ResourceBitmap = Hook<10, HBITMAP, HINSTANCE, LPCWSTR>;
        any |= ResourceBitmap::Install("user32.dll", "LoadBitmapW",
                                       Entry(&ResourceBitmap::Create<G::Gdi>));
        using Menu = Hook<11, HMENU>;
        any |= Menu::Install("user32.dll", "CreatePopupMenu", Entry(&Menu::Create<G::Menu>));
        using ResourceMenu = Hook<12, HMENU, HINSTANCE, LPCWSTR>;
        any |=
            ResourceMenu::Install("user32.dll", "LoadMenuW", Entry(&ResourceMenu::Create<G::Menu>));
        using IconCopy = Hook<13, HICON, HICON>;
        any |= IconCopy::Install("user32.dll", "CopyIcon", Entry(&IconCopy::Create<G::Icon>));
        using IconMade = Hook<14, HICON, ICONINFO*>;
        any |= IconMade::Install("user32.dll", "CreateIconIndirect",
                                 Entry(&IconMade::Create<G::Icon>));
        any |= LoadImageHookType::Install("user32.dll", "LoadImageW", Entry(&LoadImageHook));
        any |= GdipHBitmapHookType::Install("gdiplus.dll", "GdipCreateHBITMAPFromBitmap",
                                            Entry(&GdipHBitmapHook));
        // Deletion.
        using DeleteObj = Hook<30, BOOL, HGDIOBJ>;
        any |= DeleteObj::Install("gdi32.dll", "DeleteObject", Entry(&DeleteObj::Delete<HGDIOBJ>));
        using DeleteDc = Hook<31, BOOL, HDC>;
        any |= DeleteDc::Install("gdi32.dll", "DeleteDC", Entry(&DeleteDc::Delete<HDC>));
        using ReleaseDc = Hook<32, int, HWND, HDC>;
        any |= ReleaseDc::Install("user32.dll", "ReleaseDC", Entry(&ReleaseDc::Delete<HDC>));
        using DestroyMenu = Hook<33, BOOL, HMENU>;
        any |=
            DestroyMenu::Install("user32.dll", "DestroyMenu", Entry(&DestroyMenu::Delete<HMENU>));
        using DestroyIcon = Hook<34, BOOL, HICON>;
        any |=
            DestroyIcon::Install("user32.dll", "DestroyIcon", Entry(&DestroyIcon::Delete<HICON>));
        return any;
    }();
    return installed;
}

LiveGuiObjects LiveGuiObjectsNow()
{
    std::unordered_map<HANDLE, Kind> handles;
    {
        std::lock_guard guard(Tracked::lock);
        handles = Tracked::handles;
    }
    LiveGuiObjects live{0, 0};
    for (const auto& [handle, kind] : handles)
        if (Alive(handle, kind))
            ++(kind == Kind::Gdi ? live.gdi : live.user);
        else
            Deleted(handle); // the system took it back another way
    ::EnumThreadWindows(::GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&live.user));
    return live;
}
