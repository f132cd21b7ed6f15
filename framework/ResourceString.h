#pragma once
#include <windows.h>
#include <string>

// A string of the program's string table; empty when it does not exist.
std::wstring LoadResString(UINT id);
