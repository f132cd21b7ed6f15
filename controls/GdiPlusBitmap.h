#pragma once
#include <windows.h>
#include <gdiplus.h>

// Holds one decoded image.
class CGdiPlusBitmap
{
public:
    CGdiPlusBitmap() = default;
    virtual ~CGdiPlusBitmap();
    CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
    CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;

    Gdiplus::Bitmap* m_image = nullptr;

protected:
    void Empty();
};

// A PNG image decoded from the program's own resources of type "PNG". The
// decoded bitmap reads from a locked copy of the resource for its whole life.
class CGdiPlusBitmapResource : public CGdiPlusBitmap
{
public:
    CGdiPlusBitmapResource() = default;
    ~CGdiPlusBitmapResource() override;

    bool LoadPngResource(UINT id);

    HGLOBAL m_globalCopy = nullptr;

private:
    void Release();
};
