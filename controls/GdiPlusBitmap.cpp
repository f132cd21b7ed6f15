#include "GdiPlusBitmap.h"
#include <cstring>

namespace
{
void FreeLockedBlock(HGLOBAL block)
{
    ::GlobalUnlock(block);
    ::GlobalFree(block);
}
} // namespace

CGdiPlusBitmapResource::~CGdiPlusBitmapResource()
{
    Release();
}

void CGdiPlusBitmapResource::Release()
{
    // The bitmap reads from the block: it goes first.
    m_image.reset();
    if (m_globalCopy)
        FreeLockedBlock(m_globalCopy);
    m_globalCopy = nullptr;
}

bool CGdiPlusBitmapResource::LoadPngResource(UINT id)
{
    Release();
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    if (!resource)
        return false;
    const DWORD size = ::SizeofResource(module, resource);
    if (size == 0)
        return false;
    HGLOBAL loaded = ::LoadResource(module, resource);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes)
        return false;

    // The decoder may read the stream again later, so it gets memory of its own.
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return false;
    void* copy = ::GlobalLock(block);
    if (!copy)
    {
        ::GlobalFree(block);
        return false;
    }
    std::memcpy(copy, bytes, size);

    IStream* stream = nullptr;
    if (FAILED(::CreateStreamOnHGlobal(block, FALSE, &stream)) || !stream)
    {
        FreeLockedBlock(block);
        return false;
    }
    std::unique_ptr<Gdiplus::Bitmap> image(Gdiplus::Bitmap::FromStream(stream));
    stream->Release();
    if (!image || image->GetLastStatus() != Gdiplus::Ok)
    {
        image.reset();
        FreeLockedBlock(block);
        return false;
    }
    m_image = std::move(image);
    m_globalCopy = block;
    return true;
}
