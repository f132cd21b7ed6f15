#pragma once
#include <windows.h>
#include <gdiplus.h>
#include <memory>

// Holds one decoded image.
class CGdiPlusBitmap
{
public:
    CGdiPlusBitmap() = default;
    virtual ~CGdiPlusBitmap() = default;
    CGdiPlusBitmap(const CGdiPlusBitmap&) = delete;
    CGdiPlusBitmap& operator=(const CGdiPlusBitmap&) = delete;

    // Null when the holder is empty.
    std::unique_ptr<Gdiplus::Bitmap> m_image;
};

// A PNG image decoded from the program's own resources of type "PNG". The
// decoded bitmap reads from a locked copy of the resource for its whole life.
class CGdiPlusBitmapResource : public CGdiPlusBitmap
{
public:
    CGdiPlusBitmapResource() = default;
    ~CGdiPlusBitmapResource() override;

    // False leaves the holder empty; a loaded holder is emptied first.
    bool LoadPngResource(UINT id);

    HGLOBAL m_globalCopy = nullptr;

private:
    void Release();
};
