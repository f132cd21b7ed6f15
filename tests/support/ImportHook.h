#pragma once
#include <windows.h>

// Points this program's import of module!function at replacement and returns
// the original, or null when the program does not import it. Lets tests and
// the bench see the calls the panel's code makes without a seam in that code.
void* HookImport(const char* module, const char* function, void* replacement);
