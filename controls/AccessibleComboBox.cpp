#include "AccessibleComboBox.h"
#include "AccessibleControls.h"

LRESULT CAccessibleComboBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_GETOBJECT:
        if (static_cast<LONG>(lParam) == OBJID_CLIENT)
            return m_access.Answer(wParam, [this] { return NewComboAccessible(*this); });
        break;
    case WM_DESTROY:
        m_access.Disconnect();
        break;
    }
    return CComboBox::WindowProc(msg, wParam, lParam);
}
