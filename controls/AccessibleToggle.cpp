#include "AccessibleControls.h"
#include "AccessibleObject.h"
#include "GdipButton.h"

namespace
{
// A mute or link button: a check button that is checked while on.
class CToggleAccessible : public CAccessibleObject
{
public:
    explicit CToggleAccessible(CGdipButton& button)
        : CAccessibleObject(button.m_hWnd), m_button(button)
    {
    }

private:
    std::wstring Name() const override { return m_button.m_accessibleName; }
    LONG Role() const override { return ROLE_SYSTEM_CHECKBUTTON; }
    LONG ExtraState() const override { return m_button.m_toggled ? STATE_SYSTEM_CHECKED : 0; }
    std::wstring DefaultAction() const override
    {
        return m_button.m_toggled ? L"Uncheck" : L"Check";
    }
    void DoDefaultAction() override { m_button.Click(); }

    CGdipButton& m_button;
};
} // namespace

CAccessibleObject* NewToggleAccessible(CGdipButton& button)
{
    return new CToggleAccessible(button);
}
