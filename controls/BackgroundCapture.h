#pragma once
#include "Surface.h"

// A child window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);

// Replaces target by a copy of the composition's pixels under the control;
// the composition is in the parent's client coordinates.
void CaptureFromComposition(HWND control, HDC composition, CSurface& target);

// Replaces target by what the parent shows under the control now: a surface
// of the control's client size with copyWidth x copyHeight pixels copied in.
void CaptureFromParent(HWND control, CSurface& target, int copyWidth, int copyHeight);
