#include "Gdi.h"

bool CBitmap::LoadBitmap(UINT id)
{
    DeleteObject();
    m_hObject = static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr),
                                                  MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0,
                                                  LR_CREATEDIBSECTION));
    return m_hObject != nullptr;
}

bool CBitmap::CreateSection(int width, int height)
{
    DeleteObject();
    DWORD* pixels = nullptr;
    m_hObject = CreateTopDownSection(width, height, &pixels);
    return m_hObject != nullptr;
}

void CBitmap::Attach(HBITMAP bitmap)
{
    DeleteObject();
    m_hObject = bitmap;
}

HBITMAP CBitmap::Detach()
{
    HBITMAP bitmap = m_hObject;
    m_hObject = nullptr;
    return bitmap;
}

void CBitmap::DeleteObject()
{
    if (m_hObject)
        ::DeleteObject(m_hObject);
    m_hObject = nullptr;
}

SIZE CBitmap::GetSize() const
{
    BITMAP info{};
    if (!m_hObject || !::GetObjectW(m_hObject, sizeof info, &info))
        return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

bool CDC::CreateCompatibleDC(HDC reference)
{
    DeleteDC();
    m_hDC = ::CreateCompatibleDC(reference);
    m_owned = true;
    return m_hDC != nullptr;
}

void CDC::Attach(HDC dc)
{
    DeleteDC();
    m_hDC = dc;
    m_owned = false;
}

HDC CDC::Detach()
{
    HDC dc = m_hDC;
    m_hDC = nullptr;
    m_owned = false;
    return dc;
}

void CDC::DeleteDC()
{
    if (m_hDC && m_owned)
        ::DeleteDC(m_hDC);
    m_hDC = nullptr;
    m_owned = false;
}

HBITMAP CreateTopDownSection(int width, int height, DWORD** pixels)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits)
    {
        if (bitmap)
            ::DeleteObject(bitmap);
        bitmap = nullptr;
        bits = nullptr;
    }
    *pixels = static_cast<DWORD*>(bits);
    return bitmap;
}
