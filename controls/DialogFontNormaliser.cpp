#include "DialogFontNormaliser.h"
#include "../framework/Gdi.h"

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

void SetFont(HWND window, HFONT font)
{
    ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
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

    const DialogFontDescription& font = layout->font;
    m_font.reset(::CreateFontW(FontHeightForPoints(font.pointSize, dpi), 0, 0, 0, font.weight,
                               font.italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                               font.faceName.c_str()));
    m_previousFont = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    SetFont(dialog, m_font.get());

    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(dialog, &paint);
    const BaseUnits units = MeasureBaseUnits(dc, m_font.get());
    ::EndPaint(dialog, &paint);

    // The client area's top-left keeps its place on the screen.
    RECT rect{};
    ::GetClientRect(dialog, &rect);
    rect.right = rect.left + HorizontalUnitsToPixels(layout->cx, units.width);
    rect.bottom = rect.top + VerticalUnitsToPixels(layout->cy, units.height);
    ::ClientToScreen(dialog, reinterpret_cast<POINT*>(&rect.left));
    ::ClientToScreen(dialog, reinterpret_cast<POINT*>(&rect.right));
    ::AdjustWindowRectEx(&rect, layout->style, font.hasMenu, layout->exStyle);
    ::MoveWindow(dialog, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);

    WalkItems(*layout,
              [&](HWND child, const DialogItemLayout& item)
              {
                  ::MoveWindow(child, HorizontalUnitsToPixels(item.x, units.width),
                               VerticalUnitsToPixels(item.y, units.height),
                               HorizontalUnitsToPixels(item.cx, units.width),
                               VerticalUnitsToPixels(item.cy, units.height), TRUE);
                  SetFont(child, m_font.get());
              });
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
