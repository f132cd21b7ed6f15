#pragma once
#include "../framework/Gdi.h"

// A memory drawing context with a bitmap of its own selected into it for its
// whole life: the background under a control, or one of its looks.
class CSurface : public CDC
{
public:
    CSurface() = default;
    ~CSurface() override { Release(); }

    // Replaces the surface by a width x height one, a 32-bit DIB section in a
    // context compatible with reference. On failure the surface is left
    // empty, and copies from it do nothing.
    bool Create(HDC reference, int width, int height);
    // The same in a context of the screen's, its pixels black and open to the
    // caller through *pixels (null on failure).
    bool CreateSection(int width, int height, DWORD** pixels);
    void Release();

private:
    bool CreateIn(HDC reference, int width, int height, DWORD** pixels);
    bool Select(HBITMAP bitmap);

    CBitmap m_bitmap;
    HGDIOBJ m_previousBitmap = nullptr;
};
