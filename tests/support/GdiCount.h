#pragma once
#include <windows.h>

// GDI objects this process owns now, read from the system's GDI handle table
// (GetGuiResources answers 0 under Wine); -1 when the table cannot be read.
int GdiObjectCount();
