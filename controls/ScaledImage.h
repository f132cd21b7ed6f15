#pragma once
#include "../framework/Gdi.h"
#include "GdiPlusBitmap.h"
#include <memory>

// Images of the program's resources brought to the size they are shown at.
// Art made for a larger scale is brought down with high-quality filtering;
// art of the right size is kept as decoded.

// A "PNG" resource as decoded; the holder is empty when it does not load.
std::shared_ptr<const CGdiPlusBitmap> LoadPng(UINT id);

// A "PNG" resource at size; null when it does not load.
std::shared_ptr<const CGdiPlusBitmap> LoadPngAtSize(UINT id, SIZE size);

// An image resource ("PNG", or a BITMAP when bitmap is true) as a GDI bitmap
// of size, for plain copies; false leaves target empty.
bool LoadBitmapAtSize(UINT id, bool bitmap, SIZE size, CBitmap& target);
