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
