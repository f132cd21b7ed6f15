#include "ComboSelection.h"

void SelectItemByData(const CComboBox& box, DWORD_PTR data)
{
    const int count = box.GetCount();
    for (int index = 0; index < count; ++index)
    {
        if (box.GetItemData(index) == data)
        {
            box.SetCurSel(index);
            return;
        }
    }
}

std::optional<DWORD_PTR> SelectedItemData(const CComboBox& box)
{
    const int item = box.GetCurSel();
    if (item == CB_ERR)
        return std::nullopt;
    return box.GetItemData(item);
}
