#pragma once
#include "DialogTemplate.h"
#include <windows.h>
#include <functional>
#include <memory>

// Lays a dialog out from its template with the template's font sized for a
// fixed resolution, so that its pixel layout does not depend on the display.
class CDialogFontNormaliser
{
public:
    CDialogFontNormaliser() = default;
    ~CDialogFontNormaliser() { Restore(); }
    CDialogFontNormaliser(const CDialogFontNormaliser&) = delete;
    CDialogFontNormaliser& operator=(const CDialogFontNormaliser&) = delete;

    // Lays the dialog out from the panel's template (102).
    void Apply(HINSTANCE instance, HWND dialog, double dpi);
    // The same from any template of the module. A template that cannot be
    // read leaves the dialog untouched and the normaliser not applied.
    void Apply(HINSTANCE instance, HWND dialog, double dpi, UINT templateId);
    // Gives the dialog and its controls their old font back.
    void Restore();

    struct FontDeleter
    {
        void operator()(HFONT font) const { ::DeleteObject(font); }
    };

    int m_templateId = 0;
    HINSTANCE m_instance = nullptr;
    HWND m_dialog = nullptr;
    std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter> m_font;
    HFONT m_previousFont = nullptr;
    HWND m_laidOut = nullptr; // the dialog whose items this normaliser has placed

private:
    // Pairs the template's items with the dialog's children in order; stops
    // at the first item without a child after the one matched last.
    void WalkItems(const DialogTemplateLayout& layout,
                   const std::function<void(HWND, const DialogItemLayout&)>& visit) const;
};
