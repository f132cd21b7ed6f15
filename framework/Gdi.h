#pragma once
#include <windows.h>

// Owning wrapper of a GDI bitmap.
class CBitmap
{
public:
    CBitmap() = default;
    ~CBitmap() { DeleteObject(); }
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    bool LoadBitmap(UINT id);
    // A 32-bit DIB section, top row first. Off-screen pictures are made this
    // way rather than compatible with the screen: plain memory, made and
    // filled in-process, where a screen-compatible bitmap costs the first
    // paint about five times as much under Wine and gives the same pixels.
    bool CreateSection(int width, int height);
    void Attach(HBITMAP bitmap);
    HBITMAP Detach();
    void DeleteObject();
    HBITMAP GetSafeHandle() const { return m_hObject; }
    SIZE GetSize() const;

private:
    HBITMAP m_hObject = nullptr;
};

// A drawing context. Created memory contexts are owned and deleted; attached
// ones (a paint or window context) are only borrowed.
class CDC
{
public:
    CDC() = default;
    virtual ~CDC() { DeleteDC(); }
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    bool CreateCompatibleDC(HDC reference);
    void Attach(HDC dc);
    HDC Detach();
    void DeleteDC();
    HDC GetSafeHdc() const { return m_hDC; }
    bool IsEmpty() const { return m_hDC == nullptr; }

    HGDIOBJ SelectObject(HGDIOBJ object) const { return ::SelectObject(m_hDC, object); }
    bool BitBlt(int x, int y, int width, int height, HDC source, int sx, int sy,
                DWORD rop = SRCCOPY) const
    {
        return ::BitBlt(m_hDC, x, y, width, height, source, sx, sy, rop) != FALSE;
    }

protected:
    HDC m_hDC = nullptr;
    bool m_owned = false;
};

// A 32-bit DIB section with its top row first, its pixels black; null (and
// *pixels null) when it cannot be made. The caller owns the bitmap.
HBITMAP CreateTopDownSection(int width, int height, DWORD** pixels);

// Selects an object into a context for one scope.
class ScopedSelect
{
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(::SelectObject(dc, object)) {}
    ~ScopedSelect() { ::SelectObject(m_dc, m_previous); }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};
