#include "AccessibleComboBox.h"
#include "AccessibleControls.h"

LRESULT CAccessibleComboBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    LRESULT answer = 0;
    if (m_access.OnMessage(
            msg, wParam, lParam, [this] { return NewComboAccessible(*this); }, &answer))
        return answer;
    return CComboBox::WindowProc(msg, wParam, lParam);
}
