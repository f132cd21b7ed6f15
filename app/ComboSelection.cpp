#include "ComboSelection.h"

void SelectItemByData(const CComboBox& box, std::optional<DWORD_PTR> data)
{
    const int count = data ? box.GetCount() : 0;
    for (int index = 0; index < count; ++index)
    {
        if (box.GetItemData(index) == *data)
        {
            box.SetCurSel(index);
            return;
        }
    }
    box.SetCurSel(CB_ERR);
}

std::optional<DWORD_PTR> SelectedItemData(const CComboBox& box)
{
    const int item = box.GetCurSel();
    if (item == CB_ERR)
        return std::nullopt;
    return box.GetItemData(item);
}
