#pragma once
#include "GdiPlusBitmap.h"

// Colour matrices of the skin's looks: a colour (R, G, B, A, 1) is multiplied
// from the left; the last row adds offsets; alpha is left as it is.
namespace SkinMatrix
{
// Hover look of a button's standard image: 1.15 x colour + 0.05.
inline constexpr Gdiplus::ColorMatrix kStandardHover = {{{1.15f, 0, 0, 0, 0},
                                                         {0, 1.15f, 0, 0, 0},
                                                         {0, 0, 1.15f, 0, 0},
                                                         {0, 0, 0, 1, 0},
                                                         {0.05f, 0.05f, 0.05f, 0, 1}}};
// Hover look of a button's alternate image: 1.05 x colour + 0.05.
inline constexpr Gdiplus::ColorMatrix kAlternateHover = {{{1.05f, 0, 0, 0, 0},
                                                          {0, 1.05f, 0, 0, 0},
                                                          {0, 0, 1.05f, 0, 0},
                                                          {0, 0, 0, 1, 0},
                                                          {0.05f, 0.05f, 0.05f, 0, 1}}};
// Disabled look: the luminance 0.3 R + 0.59 G + 0.11 B in every channel.
inline constexpr Gdiplus::ColorMatrix kGrey = {{{0.3f, 0.3f, 0.3f, 0, 0},
                                                {0.59f, 0.59f, 0.59f, 0, 0},
                                                {0.11f, 0.11f, 0.11f, 0, 0},
                                                {0, 0, 0, 1, 0},
                                                {0, 0, 0, 0, 1}}};
// A fader's thumb under the mouse or with the focus: 1.15 x colour + 0.1.
inline constexpr Gdiplus::ColorMatrix kThumbHighlight = {{{1.15f, 0, 0, 0, 0},
                                                          {0, 1.15f, 0, 0, 0},
                                                          {0, 0, 1.15f, 0, 0},
                                                          {0, 0, 0, 1, 0},
                                                          {0.1f, 0.1f, 0.1f, 0, 1}}};
} // namespace SkinMatrix

// The image's natural size; 0 x 0 for a missing or empty holder.
SIZE ImageSize(const CGdiPlusBitmap* holder);

// Both draw with alpha over what the context holds; a missing or empty
// holder draws nothing.
// The whole image scaled into (x, y, width, height).
void DrawImageScaled(Gdiplus::Graphics& graphics, const CGdiPlusBitmap* holder, int x, int y,
                     int width, int height);
// The image's (0, 0, width, height) at (x, y), unscaled, through a colour matrix.
void DrawImageThroughMatrix(Gdiplus::Graphics& graphics, const CGdiPlusBitmap* holder,
                            const Gdiplus::ColorMatrix& matrix, float x, float y, float width,
                            float height);
