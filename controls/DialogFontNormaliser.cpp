#include "DialogFontNormaliser.h"
#include "../framework/Gdi.h"
#include "DisplayScale.h"

namespace
{
constexpr UINT kPanelTemplateId = 102;

struct BaseUnits
{
    double width = 0;
    double height = 0;
};

BaseUnits MeasureBaseUnits(HDC dc, HFONT font)
{
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    ScopedSelect select(dc, font);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    SIZE extent{};
    ::GetTextExtentPoint32A(dc, kAlphabet, sizeof kAlphabet - 1, &extent);
    return BaseUnits{static_cast<double>(BaseWidthFromAlphabetExtent(extent.cx)),
                     static_cast<double>(metrics.tmHeight)};
}

HFONT CreateTemplateFont(const DialogFontDescription& font, double dpi)
{
    return ::CreateFontW(FontHeightForPoints(font.pointSize, dpi), 0, 0, 0, font.weight,
                         font.italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                         CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                         font.faceName.c_str());
}

// Where a window lies in its parent's client area (a top-level window's
// parent is the desktop).
RECT PlaceOf(HWND window)
{
    RECT place{};
    ::GetWindowRect(window, &place);
    ::MapWindowPoints(nullptr, ::GetAncestor(window, GA_PARENT), reinterpret_cast<POINT*>(&place),
                      2);
    return place;
}

// Moves a window from current to rect unless it is there already: a move
// that changes nothing still costs its round of position messages.
void MoveUnlessThere(HWND window, const RECT& current, const RECT& rect)
{
    if (!::EqualRect(&current, &rect))
        ::MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                     TRUE);
}

bool IsComboBox(HWND window)
{
    wchar_t className[16] = L"";
    ::GetClassNameW(window, className, 16);
    return _wcsicmp(className, L"ComboBox") == 0;
}

// Whether a combo box drops its list down: its window is then only its
// field, and the height it was given is its list's, which it does not tell.
bool DropsDown(HWND comboBox)
{
    const auto type = ::GetWindowLongPtrW(comboBox, GWL_STYLE) & 3;
    return type == CBS_DROPDOWN || type == CBS_DROPDOWNLIST;
}

bool SameField(const RECT& current, const RECT& rect)
{
    return current.left == rect.left && current.top == rect.top && current.right == rect.right;
}

void SetFont(HWND window, HFONT font)
{
    ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

// The qualities that leave smoothing to the system's setting; they differ
// only in how a bitmap face is scaled, which the realised font shows.
bool LeavesSmoothingToTheSystem(BYTE quality)
{
    return quality == DEFAULT_QUALITY || quality == DRAFT_QUALITY || quality == PROOF_QUALITY;
}

// The face and metrics the system realises a font with.
bool Realise(HDC dc, HFONT font, TEXTMETRICW& metrics, wchar_t (&face)[LF_FACESIZE])
{
    ScopedSelect select(dc, font);
    return ::GetTextMetricsW(dc, &metrics) && ::GetTextFaceW(dc, LF_FACESIZE, face) > 0;
}

// Two fonts that draw alike: the same description, but for a quality that
// does not change how they look, and the same face and metrics realised.
bool SameLook(HFONT first, HFONT second)
{
    LOGFONTW a{};
    LOGFONTW b{};
    if (!first || !second || ::GetObjectW(first, sizeof a, &a) != sizeof a ||
        ::GetObjectW(second, sizeof b, &b) != sizeof b)
        return false;
    const bool described =
        a.lfHeight == b.lfHeight && a.lfWidth == b.lfWidth && a.lfEscapement == b.lfEscapement &&
        a.lfOrientation == b.lfOrientation && a.lfWeight == b.lfWeight &&
        a.lfItalic == b.lfItalic && a.lfUnderline == b.lfUnderline &&
        a.lfStrikeOut == b.lfStrikeOut && a.lfCharSet == b.lfCharSet &&
        a.lfOutPrecision == b.lfOutPrecision && a.lfClipPrecision == b.lfClipPrecision &&
        a.lfPitchAndFamily == b.lfPitchAndFamily && wcscmp(a.lfFaceName, b.lfFaceName) == 0 &&
        (a.lfQuality == b.lfQuality ||
         (LeavesSmoothingToTheSystem(a.lfQuality) && LeavesSmoothingToTheSystem(b.lfQuality)));
    if (!described)
        return false;
    CDC dc;
    TEXTMETRICW am{};
    TEXTMETRICW bm{};
    wchar_t aFace[LF_FACESIZE] = L"";
    wchar_t bFace[LF_FACESIZE] = L"";
    return dc.CreateCompatibleDC(nullptr) && Realise(dc.GetSafeHdc(), first, am, aFace) &&
           Realise(dc.GetSafeHdc(), second, bm, bFace) && wcscmp(aFace, bFace) == 0 &&
           am.tmHeight == bm.tmHeight && am.tmAscent == bm.tmAscent &&
           am.tmDescent == bm.tmDescent && am.tmInternalLeading == bm.tmInternalLeading &&
           am.tmExternalLeading == bm.tmExternalLeading && am.tmAveCharWidth == bm.tmAveCharWidth &&
           am.tmMaxCharWidth == bm.tmMaxCharWidth && am.tmWeight == bm.tmWeight &&
           am.tmPitchAndFamily == bm.tmPitchAndFamily && am.tmCharSet == bm.tmCharSet;
}
} // namespace

void CDialogFontNormaliser::Apply(HINSTANCE instance, HWND dialog, double dpi)
{
    Apply(instance, dialog, dpi, kPanelTemplateId);
}

void CDialogFontNormaliser::Apply(HINSTANCE instance, HWND dialog, double dpi, UINT templateId)
{
    if (m_dialog)
        Restore();
    m_templateId = static_cast<int>(templateId);
    m_instance = instance;
    const auto layout = LoadDialogTemplate(instance, LOWORD(templateId));
    if (!layout)
        return;
    m_dialog = dialog;
    // The dialog manager placed the items in the dialog's own units: until
    // this normaliser first moves them, that is where they are.
    const bool placedByDialogManager = m_laidOut != dialog;
    RECT dialogUnits{0, 0, 4, 8};
    ::MapDialogRect(dialog, &dialogUnits);

    const DialogFontDescription& font = layout->font;
    m_font.reset(CreateTemplateFont(font, dpi));
    m_previousFont = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    SetFont(dialog, m_font.get());
    // A combo box lays its field and list out again at every font it is
    // given, which costs it a few milliseconds even when nothing changes: one
    // with the dialog's old font keeps it when the new one looks the same.
    const bool oldFontLooksTheSame = SameLook(m_previousFont, m_font.get());

    // The layout is the one of the font at 96 DPI, scaled: font sizes do not
    // grow in proportion, and the skin under the controls does.
    const UINT scaleDpi = dpi > 0 ? static_cast<UINT>(dpi + 0.5) : kBaseDpi;
    std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter> layoutFont;
    if (scaleDpi != kBaseDpi)
        layoutFont.reset(CreateTemplateFont(font, kBaseDpi));
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(dialog, &paint);
    const BaseUnits units = MeasureBaseUnits(dc, layoutFont ? layoutFont.get() : m_font.get());
    ::EndPaint(dialog, &paint);
    const auto horizontal = [&](int dialogUnits)
    { return ScaleToDpi(HorizontalUnitsToPixels(dialogUnits, units.width), scaleDpi); };
    const auto vertical = [&](int dialogUnits)
    { return ScaleToDpi(VerticalUnitsToPixels(dialogUnits, units.height), scaleDpi); };

    // The client area's top-left keeps its place on the screen.
    RECT rect{};
    ::GetClientRect(dialog, &rect);
    rect.right = rect.left + horizontal(layout->cx);
    rect.bottom = rect.top + vertical(layout->cy);
    ::ClientToScreen(dialog, reinterpret_cast<POINT*>(&rect.left));
    ::ClientToScreen(dialog, reinterpret_cast<POINT*>(&rect.right));
    // The frame is the one the system draws at the window's DPI.
    AdjustWindowRectForDpi(rect, layout->style, font.hasMenu, layout->exStyle, WindowDpi(dialog));
    MoveUnlessThere(dialog, PlaceOf(dialog), rect);

    WalkItems(*layout,
              [&](HWND child, const DialogItemLayout& item)
              {
                  const int x = horizontal(item.x);
                  const int y = vertical(item.y);
                  const RECT rect{x, y, x + horizontal(item.cx), y + vertical(item.cy)};
                  const RECT current = PlaceOf(child);
                  const bool comboBox = IsComboBox(child);
                  // A combo box moved only to be given the list height it has
                  // lays itself out again for nothing.
                  const bool listInPlace =
                      placedByDialogManager && comboBox && DropsDown(child) &&
                      SameField(current, rect) &&
                      ::MulDiv(item.cy, dialogUnits.bottom, 8) == rect.bottom - rect.top;
                  if (!listInPlace)
                      MoveUnlessThere(child, current, rect);
                  const bool keepsFont =
                      oldFontLooksTheSame && comboBox &&
                      reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)) ==
                          m_previousFont;
                  if (!keepsFont)
                      SetFont(child, m_font.get());
              });
    m_laidOut = dialog;
}

void CDialogFontNormaliser::Restore()
{
    if (!m_dialog)
        return;
    SetFont(m_dialog, m_previousFont);
    // Positions stay; only the fonts go back.
    if (const auto layout = LoadDialogTemplate(m_instance, LOWORD(m_templateId)))
        WalkItems(*layout,
                  [&](HWND child, const DialogItemLayout&) { SetFont(child, m_previousFont); });
    m_font.reset();
    m_dialog = nullptr;
    m_previousFont = nullptr;
}

void CDialogFontNormaliser::WalkItems(
    const DialogTemplateLayout& layout,
    const std::function<void(HWND, const DialogItemLayout&)>& visit) const
{
    HWND matched = nullptr;
    for (const DialogItemLayout& item : layout.items)
    {
        HWND child = matched ? ::GetWindow(matched, GW_HWNDNEXT) : ::GetWindow(m_dialog, GW_CHILD);
        while (child && !layout.Matches(item, ::GetDlgCtrlID(child)))
            child = ::GetWindow(child, GW_HWNDNEXT);
        if (!child)
            return;
        visit(child, item);
        matched = child;
    }
}
