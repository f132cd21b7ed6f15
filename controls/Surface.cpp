#include "Surface.h"

bool CSurface::Create(HDC reference, int width, int height)
{
    DWORD* pixels = nullptr;
    return CreateIn(reference, width, height, &pixels);
}

bool CSurface::CreateSection(int width, int height, DWORD** pixels)
{
    return CreateIn(nullptr, width, height, pixels);
}

bool CSurface::CreateIn(HDC reference, int width, int height, DWORD** pixels)
{
    Release();
    *pixels = nullptr;
    if (!CreateCompatibleDC(reference))
        return false;
    m_bitmap.Attach(CreateTopDownSection(width, height, pixels));
    return Select(m_bitmap.GetSafeHandle());
}

bool CSurface::Select(HBITMAP bitmap)
{
    if (!bitmap)
    {
        Release();
        return false;
    }
    m_previousBitmap = SelectObject(bitmap);
    return true;
}

void CSurface::Release()
{
    if (!IsEmpty() && m_previousBitmap)
        SelectObject(m_previousBitmap);
    m_previousBitmap = nullptr;
    DeleteDC();
    m_bitmap.DeleteObject();
}
