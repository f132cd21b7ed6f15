#include "AccessibleComboBox.h"
#include "AccessibleControls.h"
#include "AccessibleObject.h"

namespace
{
class CComboAccessible : public CAccessibleObject
{
public:
    explicit CComboAccessible(CAccessibleComboBox& box) : CAccessibleObject(box.m_hWnd), m_box(box)
    {
    }

private:
    std::wstring Name() const override { return m_box.m_accessibleName; }
    LONG Role() const override { return ROLE_SYSTEM_COMBOBOX; }

    // The text as shown: the edit field's for the boxes that have one.
    bool Value(std::wstring& value) const override
    {
        const int length = ::GetWindowTextLengthW(Window());
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        text.resize(static_cast<size_t>(::GetWindowTextW(Window(), text.data(), length + 1)));
        value = text;
        return true;
    }

    // The focus sits in the box's edit field.
    bool HasFocus() const override
    {
        HWND focus = ::GetFocus();
        return focus && (focus == Window() || ::IsChild(Window(), focus));
    }

    CAccessibleComboBox& m_box;
};
} // namespace

CAccessibleObject* NewComboAccessible(CAccessibleComboBox& box)
{
    return new CComboAccessible(box);
}
