#pragma once
#include "../framework/Controls.h"
#include "AccessibleHandle.h"
#include "GdiPlusBitmap.h"
#include "Surface.h"
#include <memory>
#include <string>

// A skinned toggle button drawn from PNG images over the dialog background.
// Every look is rendered once into a state surface; a paint is one copy.
class CGdipButton : public CButton
{
public:
    CGdipButton() = default;
    ~CGdipButton() override;

    // Both record the size, resize the window to it in place and load the
    // image. Setting an image again drops the looks built from the old one.
    void SetStandardImage(UINT id, int width, int height);
    void SetAlternateImage(UINT id, int width, int height);
    // The same with an image already decoded, shared with other controls.
    void SetStandardImage(std::shared_ptr<const CGdiPlusBitmap> image, int width, int height);
    void SetAlternateImage(std::shared_ptr<const CGdiPlusBitmap> image, int width, int height);
    // Copies the background under the button from the dialog's composition.
    void CaptureBackground(const CDC& composition);
    void UpdateToolTip(const std::wstring& text, bool activate);
    // Sets the toggle state and redraws; tells assistive technology of a change.
    void SetToggled(bool toggled);
    // What a click does: toggle, then the click notification to the parent.
    void Click();

    // The resolution the looks are drawn for; sizes come scaled already.
    UINT m_dpi = 96;
    BOOL m_hasAlternate = FALSE;
    BOOL m_statesBuilt = FALSE;
    BOOL m_hasDisabledImage = FALSE;
    BOOL m_disabled = FALSE;
    BOOL m_toggleMode = FALSE;
    BOOL m_flipOnPress = FALSE;
    BOOL m_hovering = FALSE;
    BOOL m_mouseTracked = FALSE;
    BOOL m_toggled = FALSE;
    BOOL m_showAlternate = FALSE;

    std::shared_ptr<const CGdiPlusBitmap> m_imgAlternate;
    std::shared_ptr<const CGdiPlusBitmap> m_imgAlternatePressed;
    std::shared_ptr<const CGdiPlusBitmap> m_imgStandard;
    std::shared_ptr<const CGdiPlusBitmap> m_imgStandardPressed;
    std::shared_ptr<const CGdiPlusBitmap> m_imgDisabled;
    std::wstring m_toolTipText;
    std::wstring m_accessibleName;

    struct WindowDestroyer
    {
        void operator()(HWND window) const;
    };
    std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer> m_toolTip;

    int m_height = 0;
    int m_width = 0;

    CSurface m_surfBackground;
    CSurface m_surfStandard;
    CSurface m_surfStandardPressed;
    CSurface m_surfStandardHover;
    CSurface m_surfAlternate;
    CSurface m_surfAlternatePressed;
    CSurface m_surfAlternateHover;
    CSurface m_surfDisabled;
    CSurface* m_surfCurrent = nullptr;

protected:
    void PreSubclassWindow() override;
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void DrawItem(const DRAWITEMSTRUCT& item);

private:
    // Builds the look only, or every look still missing when only is null.
    void BuildStateImages(const CSurface* only);
    void SetSize(int width, int height);
    void DropLooks();
    void OnMouseMove();
    void OnMouseHover();
    void OnMouseLeave();
    void OnLButtonUp(int x, int y);
    void OnKeyUp(UINT key);

    CAccessibleHandle m_access;
};
