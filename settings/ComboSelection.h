#pragma once
#include "../framework/Controls.h"
#include <optional>

// Selects the first item carrying data; leaves the selection alone when none does.
void SelectItemByData(const CComboBox& box, DWORD_PTR data);
// The data of the selected item; nothing when no item is selected.
std::optional<DWORD_PTR> SelectedItemData(const CComboBox& box);
