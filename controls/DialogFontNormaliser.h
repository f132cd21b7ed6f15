#pragma once
#include <windows.h>

// Lays a dialog out from its template with the template's font sized for a
// fixed resolution, so that its pixel layout does not depend on the display.
class CDialogFontNormaliser
{
public:
    CDialogFontNormaliser() = default;
    ~CDialogFontNormaliser() { Restore(); }
    CDialogFontNormaliser(const CDialogFontNormaliser&) = delete;
    CDialogFontNormaliser& operator=(const CDialogFontNormaliser&) = delete;

    void Apply(HINSTANCE instance, HWND dialog, double dpi);
    void Restore();

    int m_templateId = 0;
    HINSTANCE m_instance = nullptr;
    HWND m_dialog = nullptr;
    HFONT m_font = nullptr;
    HFONT m_previousFont = nullptr;
};
