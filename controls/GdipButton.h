#pragma once
#include "../framework/Controls.h"
#include "../framework/Gdi.h"
#include "GdiPlusBitmap.h"
#include <string>

// A skinned toggle button drawn from PNG images over the dialog background.
// Every look is rendered once into a state surface; a paint is one copy.
class CGdipButton : public CButton
{
public:
    CGdipButton() = default;
    ~CGdipButton() override;

    void SetStandardImage(UINT id, int width, int height);
    void SetAlternateImage(UINT id, int width, int height);
    // Copies the background under the button from the dialog's composition.
    void CaptureBackground(const CDC& composition);
    void UpdateToolTip(const std::wstring& text, bool activate);

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

    CGdiPlusBitmapResource* m_imgAlternate = nullptr;
    CGdiPlusBitmapResource* m_imgAlternatePressed = nullptr;
    CGdiPlusBitmapResource* m_imgStandard = nullptr;
    CGdiPlusBitmapResource* m_imgStandardPressed = nullptr;
    CGdiPlusBitmapResource* m_imgDisabled = nullptr;
    std::wstring m_toolTipText;
    HWND m_toolTip = nullptr;
    int m_height = 0;
    int m_width = 0;

    CDC m_surfBackground;
    CDC m_surfStandard;
    CDC m_surfStandardPressed;
    CDC m_surfStandardHover;
    CDC m_surfAlternate;
    CDC m_surfAlternatePressed;
    CDC m_surfAlternateHover;
    CDC m_surfDisabled;
    CDC* m_surfCurrent = nullptr;

protected:
    void PreSubclassWindow() override;
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void DrawItem(const DRAWITEMSTRUCT& item);
};
