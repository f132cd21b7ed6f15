#pragma once
#include <windows.h>

// GDI and USER objects this program's code holds. GetGuiResources answers
// nothing under Wine, so the creating and deleting calls are paired at the
// program's import table, and a handle counts while the system still knows it.
struct LiveGuiObjects
{
    long gdi;  // bitmaps, DCs, fonts, brushes, pens, regions
    long user; // windows, menus, icons
};

// False when the program imports none of the calls.
bool CountGuiObjects();
// Windows include the children a dialog template made inside the system:
// those of this thread, counted by enumeration.
LiveGuiObjects LiveGuiObjectsNow();
