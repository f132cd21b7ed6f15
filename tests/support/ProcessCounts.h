#pragma once
#include <windows.h>

// Threads of a process now; -1 when it cannot be seen.
int ThreadCount(DWORD processId);
// Kernel handles a process holds now; -1 when they cannot be counted.
int HandleCount(DWORD processId);
// GDI objects this process holds now; -1 when they cannot be counted.
int GdiObjectCount();
// USER objects this process holds now; where the system does not count
// them (Wine), its windows; -1 when neither can be counted.
int UserObjectCount();
