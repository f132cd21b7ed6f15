#pragma once
#include "../framework/Controls.h"

// Selects the first item carrying data; leaves the selection alone when none does.
void SelectItemByData(const CComboBox& box, DWORD_PTR data);
