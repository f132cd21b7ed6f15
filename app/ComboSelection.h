#pragma once
#include "../framework/Controls.h"
#include <optional>

// Selects the first item carrying data; no item when none does or there is no data.
void SelectItemByData(const CComboBox& box, std::optional<DWORD_PTR> data);
// The data of the selected item; nothing when no item is selected.
std::optional<DWORD_PTR> SelectedItemData(const CComboBox& box);
