#include "Surface.h"

bool CSurface::Create(HDC reference, int width, int height)
{
    Release();
    if (!CreateCompatibleDC(reference))
        return false;
    if (!m_bitmap.CreateCompatibleBitmap(reference, width, height))
    {
        DeleteDC();
        return false;
    }
    m_previousBitmap = SelectObject(m_bitmap.GetSafeHandle());
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
