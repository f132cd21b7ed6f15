#include "ControlsTestIds.h"
#include "app/resource.h"
#include "controls/DialogFontNormaliser.h"
#include "framework/Dialog.h"
#include <commctrl.h>
#include <cstring>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace
{
HINSTANCE Module()
{
    return ::GetModuleHandleW(nullptr);
}

std::vector<BYTE> TemplateBytes(UINT id)
{
    HRSRC resource = ::FindResourceW(Module(), MAKEINTRESOURCEW(id), RT_DIALOG);
    const auto* data = static_cast<const BYTE*>(::LockResource(::LoadResource(Module(), resource)));
    return std::vector<BYTE>(data, data + ::SizeofResource(Module(), resource));
}

// Bytes that end where an inaccessible page begins: a read past them faults.
class GuardedBytes
{
public:
    GuardedBytes()
    {
        m_base = static_cast<BYTE*>(
            ::VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD previous = 0;
        ::VirtualProtect(m_base + kPage, kPage, PAGE_NOACCESS, &previous);
    }
    ~GuardedBytes() { ::VirtualFree(m_base, 0, MEM_RELEASE); }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    std::optional<DialogTemplateLayout> Read(const BYTE* data, size_t size) const
    {
        BYTE* at = m_base + kPage - size;
        std::memcpy(at, data, size);
        return ReadDialogTemplate(at, size);
    }

private:
    static constexpr size_t kPage = 4096;
    BYTE* m_base = nullptr;
};

// Where a child window lies in its dialog's client area.
RECT ChildRect(HWND dialog, int id)
{
    RECT rect{};
    ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HFONT FontOf(HWND window)
{
    return reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
}

LOGFONTW Describe(HFONT font)
{
    LOGFONTW description{};
    ::GetObjectW(font, sizeof description, &description);
    return description;
}

// A dialog that records the fonts it is given.
class FontRecordingDialog : public CDialog
{
public:
    explicit FontRecordingDialog(UINT id) : CDialog(id) {}
    std::vector<HFONT> fonts;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_SETFONT)
            fonts.push_back(reinterpret_cast<HFONT>(wParam));
        return CDialog::WindowProc(msg, wParam, lParam);
    }
};

void ExpectRect(const RECT& rect, int x, int y, int width, int height)
{
    EXPECT_EQ(rect.left, x);
    EXPECT_EQ(rect.top, y);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
}
} // namespace

TEST(DialogTemplate, ReadsThePlainForm)
{
    const auto layout = LoadDialogTemplate(Module(), IDD_TEST_PLAIN);
    ASSERT_TRUE(layout);
    EXPECT_FALSE(layout->extended);
    EXPECT_TRUE(layout->style & DS_SETFONT);
    EXPECT_EQ(layout->cx, 120);
    EXPECT_EQ(layout->cy, 60);
    EXPECT_EQ(layout->font.pointSize, 10);
    EXPECT_EQ(layout->font.weight, 0);
    EXPECT_EQ(layout->font.italic, 0);
    EXPECT_EQ(layout->font.faceName, L"Arial");
    EXPECT_FALSE(layout->font.hasMenu);
    ASSERT_EQ(layout->items.size(), 3u);
    EXPECT_EQ(layout->items[1].id, static_cast<DWORD>(IDC_TEST_ITEM_2));
    EXPECT_EQ(layout->items[1].x, 40);
    EXPECT_EQ(layout->items[1].cy, 12);
    EXPECT_EQ(layout->items[2].x, -3);
    EXPECT_EQ(layout->items[2].y, -1);
}

TEST(DialogTemplate, ReadsTheExtendedForm)
{
    const auto layout = LoadDialogTemplate(Module(), IDD_TEST_EXTENDED);
    ASSERT_TRUE(layout);
    EXPECT_TRUE(layout->extended);
    EXPECT_EQ(layout->exStyle, static_cast<DWORD>(WS_EX_APPWINDOW));
    EXPECT_EQ(layout->cx, 257);
    EXPECT_EQ(layout->cy, 147);
    EXPECT_EQ(layout->font.pointSize, 9);
    EXPECT_EQ(layout->font.weight, 700);
    EXPECT_EQ(layout->font.italic, 1);
    EXPECT_EQ(layout->font.faceName, L"Microsoft Sans Serif");
    EXPECT_TRUE(layout->font.hasMenu);
    ASSERT_EQ(layout->items.size(), 3u);
    EXPECT_EQ(layout->items[1].id, static_cast<DWORD>(IDC_TEST_ITEM_2));
    EXPECT_EQ(layout->items[1].x, 100);
    EXPECT_EQ(layout->items[1].cy, 68);

    const auto panel = LoadDialogTemplate(Module(), IDD_GUI_KV58_DIALOG);
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->items.size(), 25u);
    EXPECT_EQ(panel->items.front().id, static_cast<DWORD>(IDC_FADER_IN_LEFT));
    EXPECT_EQ(panel->items.back().id, static_cast<DWORD>(IDC_NO_DEVICE));
}

TEST(DialogTemplate, WithoutAFontItAsksForEightPointTahoma)
{
    const auto layout = LoadDialogTemplate(Module(), IDD_TEST_NO_FONT);
    ASSERT_TRUE(layout);
    EXPECT_FALSE(layout->style & DS_SETFONT);
    EXPECT_EQ(layout->font.pointSize, 8);
    EXPECT_EQ(layout->font.weight, 400);
    EXPECT_EQ(layout->font.faceName, L"Tahoma");
    ASSERT_EQ(layout->items.size(), 1u);
}

TEST(DialogTemplate, NeverReadsPastTheEnd)
{
    const GuardedBytes guarded;
    for (UINT id : {IDD_TEST_PLAIN, IDD_TEST_EXTENDED, IDD_GUI_KV58_DIALOG})
    {
        const std::vector<BYTE> bytes = TemplateBytes(id);
        ASSERT_TRUE(guarded.Read(bytes.data(), bytes.size())) << id;
        // Cut anywhere before the last item's end: not readable. (The
        // resource may carry up to three bytes of padding after it.)
        for (size_t size = 0; size + 3 < bytes.size(); ++size)
            EXPECT_FALSE(guarded.Read(bytes.data(), size)) << id << " cut to " << size;
    }
    EXPECT_FALSE(LoadDialogTemplate(Module(), IDD_TEST_GARBAGE));
    EXPECT_FALSE(LoadDialogTemplate(Module(), 999));
    EXPECT_FALSE(ReadDialogTemplate(nullptr, 100));

    // Damaged templates: whatever they read, each item took its bytes.
    std::mt19937 random(58);
    const std::vector<BYTE> original = TemplateBytes(IDD_GUI_KV58_DIALOG);
    for (int round = 0; round < 3000; ++round)
    {
        std::vector<BYTE> bytes = original;
        for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
            bytes[random() % bytes.size()] = static_cast<BYTE>(random());
        bytes.resize(random() % (bytes.size() + 1));
        if (const auto layout = guarded.Read(bytes.data(), bytes.size()))
        {
            EXPECT_LE(layout->items.size() * 24, bytes.size());
        }
    }
}

TEST(DialogUnits, FontHeightAtNinetySixDotsPerInch)
{
    EXPECT_EQ(FontHeightForPoints(9, 96.0), -12);
    EXPECT_EQ(FontHeightForPoints(8, 96.0), -11);
    // The 16-bit pattern of -9 stands for 9 points.
    EXPECT_EQ(FontHeightForPoints(static_cast<WORD>(-9), 96.0), -12);
    EXPECT_EQ(FontHeightForPoints(9, 120.0), -15);
}

TEST(DialogUnits, BaseUnitsAndTruncationAfterAddingAHalf)
{
    EXPECT_EQ(BaseWidthFromAlphabetExtent(337), 6);
    EXPECT_EQ(BaseWidthFromAlphabetExtent(338), 7);
    EXPECT_EQ(HorizontalUnitsToPixels(257, 7), 450);
    EXPECT_EQ(VerticalUnitsToPixels(147, 15), 276);
    // Toward zero, not down.
    EXPECT_EQ(HorizontalUnitsToPixels(-2, 6), -2);
    EXPECT_EQ(HorizontalUnitsToPixels(-3, 7), -4);
    EXPECT_EQ(VerticalUnitsToPixels(-1, 15), -1);
}

TEST(FontNormaliser, LaysThePanelOutAtItsSkinSize)
{
    CDialog panel(IDD_GUI_KV58_DIALOG);
    ASSERT_TRUE(panel.Create());
    const HFONT original = FontOf(panel.m_hWnd);
    RECT before{};
    ::GetWindowRect(panel.m_hWnd, &before);
    POINT clientOrigin{};
    ::ClientToScreen(panel.m_hWnd, &clientOrigin);
    {
        CDialogFontNormaliser normaliser;
        normaliser.Apply(Module(), panel.m_hWnd, 96.0);
        ASSERT_EQ(normaliser.m_dialog, panel.m_hWnd);
        EXPECT_EQ(normaliser.m_templateId, IDD_GUI_KV58_DIALOG);
        const LOGFONTW font = Describe(normaliser.m_font.get());
        EXPECT_EQ(font.lfHeight, -12);
        EXPECT_EQ(font.lfWeight, 400);
        EXPECT_STREQ(font.lfFaceName, L"Microsoft Sans Serif");

        RECT client{};
        ::GetClientRect(panel.m_hWnd, &client);
        EXPECT_EQ(client.right, 450);
        EXPECT_EQ(client.bottom, 276);
        POINT origin{};
        ::ClientToScreen(panel.m_hWnd, &origin);
        EXPECT_EQ(origin.x, clientOrigin.x);
        EXPECT_EQ(origin.y, clientOrigin.y);
        // 13, 114, 15, 12 dialog units.
        ExpectRect(ChildRect(panel.m_hWnd, IDC_MUTE_INPUT), 23, 214, 26, 23);
        EXPECT_EQ(FontOf(::GetDlgItem(panel.m_hWnd, IDC_LINK_OUTPUT)), normaliser.m_font.get());
    }
    // Restored by the destructor: the old fonts, the new sizes.
    EXPECT_EQ(FontOf(::GetDlgItem(panel.m_hWnd, IDC_LINK_OUTPUT)), original);
    RECT client{};
    ::GetClientRect(panel.m_hWnd, &client);
    EXPECT_EQ(client.right, 450);
}

TEST(FontNormaliser, LeavesTheDropDownListsTheDialogManagerPlaced)
{
    int resizes = 0; // outlives the panel, whose boxes count into it
    CDialog panel(IDD_GUI_KV58_DIALOG);
    ASSERT_TRUE(panel.Create());
    const SUBCLASSPROC countResizes = [](HWND window, UINT msg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR counter) -> LRESULT
    {
        if (msg == WM_WINDOWPOSCHANGING &&
            !(reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_NOSIZE))
            ++*reinterpret_cast<int*>(counter);
        return ::DefSubclassProc(window, msg, wParam, lParam);
    };
    constexpr int kDropDowns[] = {IDC_INPUT_SOURCE, IDC_STREAMING_MODE, IDC_ASIO_BUFFER};
    std::vector<RECT> placed;
    for (int id : kDropDowns)
    {
        ::SetWindowSubclass(::GetDlgItem(panel.m_hWnd, id), countResizes, 1,
                            reinterpret_cast<DWORD_PTR>(&resizes));
        placed.push_back(ChildRect(panel.m_hWnd, id));
    }
    CDialogFontNormaliser normaliser;
    normaliser.Apply(Module(), panel.m_hWnd, 96.0);
    EXPECT_EQ(resizes, 0) << "each was where the layout puts it";

    // Laid out at another scale and back: moved there, and back again.
    normaliser.Apply(Module(), panel.m_hWnd, 144.0);
    EXPECT_GE(resizes, 3);
    normaliser.Apply(Module(), panel.m_hWnd, 96.0);
    for (size_t i = 0; i < placed.size(); ++i)
    {
        const RECT back = ChildRect(panel.m_hWnd, kDropDowns[i]);
        EXPECT_TRUE(::EqualRect(&back, &placed[i])) << kDropDowns[i];
    }
}

TEST(FontNormaliser, TemplateWithoutFontGivesEightPointTahoma)
{
    CDialog dialog(IDD_TEST_LAYOUT);
    ASSERT_TRUE(dialog.Create());
    CDialogFontNormaliser normaliser;
    normaliser.Apply(Module(), dialog.m_hWnd, 96.0, IDD_TEST_NO_FONT);
    const LOGFONTW font = Describe(normaliser.m_font.get());
    EXPECT_EQ(font.lfHeight, -11);
    EXPECT_EQ(font.lfWeight, 400);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
}

TEST(FontNormaliser, ApplyingAgainGivesTheFirstFontBackFirst)
{
    FontRecordingDialog dialog(IDD_TEST_LAYOUT);
    ASSERT_TRUE(dialog.Create());
    const HFONT original = FontOf(dialog.m_hWnd);
    CDialogFontNormaliser normaliser;
    normaliser.Apply(Module(), dialog.m_hWnd, 96.0, IDD_TEST_LAYOUT);
    const HFONT first = normaliser.m_font.get();
    normaliser.Apply(Module(), dialog.m_hWnd, 96.0, IDD_TEST_LAYOUT);
    const HFONT second = normaliser.m_font.get();
    EXPECT_EQ(dialog.fonts, (std::vector<HFONT>{first, original, second}));
    EXPECT_TRUE(first == second || ::GetObjectType(first) == 0) << "the first font was deleted";
    EXPECT_EQ(normaliser.m_previousFont, original);

    normaliser.Restore();
    EXPECT_EQ(normaliser.m_dialog, nullptr);
    EXPECT_EQ(normaliser.m_font, nullptr);
    EXPECT_EQ(::GetObjectType(second), 0u);
    EXPECT_EQ(dialog.fonts.back(), original);
    normaliser.Restore();
    EXPECT_EQ(dialog.fonts.size(), 4u) << "restoring twice does nothing";
}

TEST(FontNormaliser, MovesEveryItemWithNegativeCoordinatesTowardZero)
{
    CDialog dialog(IDD_TEST_LAYOUT);
    ASSERT_TRUE(dialog.Create());
    const RECT third = ChildRect(dialog.m_hWnd, IDC_TEST_ITEM_3);
    CDialogFontNormaliser normaliser;
    normaliser.Apply(Module(), dialog.m_hWnd, 96.0, IDD_TEST_LAYOUT);
    ExpectRect(ChildRect(dialog.m_hWnd, IDC_TEST_ITEM_1), 18, 38, 70, 30);
    // -3, -1, 30, 8 dialog units with base units 7 x 15.
    ExpectRect(ChildRect(dialog.m_hWnd, IDC_TEST_ITEM_3), -4, -1, 53, 15);
    EXPECT_NE(third.left, -4) << "the dialog manager rounds otherwise";
    EXPECT_EQ(FontOf(::GetDlgItem(dialog.m_hWnd, IDC_TEST_ITEM_3)), normaliser.m_font.get());
}

TEST(FontNormaliser, WalkStopsWhereTheChildrenRunOut)
{
    CDialog dialog(IDD_TEST_LAYOUT);
    ASSERT_TRUE(dialog.Create());
    const HFONT original = FontOf(dialog.m_hWnd);
    ::DestroyWindow(::GetDlgItem(dialog.m_hWnd, IDC_TEST_ITEM_2));
    const RECT third = ChildRect(dialog.m_hWnd, IDC_TEST_ITEM_3);
    CDialogFontNormaliser normaliser;
    normaliser.Apply(Module(), dialog.m_hWnd, 96.0, IDD_TEST_LAYOUT);
    ExpectRect(ChildRect(dialog.m_hWnd, IDC_TEST_ITEM_1), 18, 38, 70, 30);
    EXPECT_EQ(FontOf(::GetDlgItem(dialog.m_hWnd, IDC_TEST_ITEM_1)), normaliser.m_font.get());
    // The item after the missing one keeps its rectangle and font.
    const RECT after = ChildRect(dialog.m_hWnd, IDC_TEST_ITEM_3);
    ExpectRect(after, third.left, third.top, third.right - third.left, third.bottom - third.top);
    EXPECT_EQ(FontOf(::GetDlgItem(dialog.m_hWnd, IDC_TEST_ITEM_3)), original);
}

TEST(FontNormaliser, UnreadableTemplateLeavesTheDialogUntouched)
{
    FontRecordingDialog dialog(IDD_TEST_LAYOUT);
    ASSERT_TRUE(dialog.Create());
    RECT before{};
    ::GetWindowRect(dialog.m_hWnd, &before);
    const RECT item = ChildRect(dialog.m_hWnd, IDC_TEST_ITEM_1);
    CDialogFontNormaliser normaliser;
    for (UINT id : {static_cast<UINT>(IDD_TEST_GARBAGE), 999u})
    {
        normaliser.Apply(Module(), dialog.m_hWnd, 96.0, id);
        EXPECT_EQ(normaliser.m_dialog, nullptr) << id;
        EXPECT_EQ(normaliser.m_font, nullptr) << id;
    }
    RECT after{};
    ::GetWindowRect(dialog.m_hWnd, &after);
    EXPECT_TRUE(::EqualRect(&before, &after));
    const RECT itemAfter = ChildRect(dialog.m_hWnd, IDC_TEST_ITEM_1);
    EXPECT_TRUE(::EqualRect(&item, &itemAfter));
    EXPECT_TRUE(dialog.fonts.empty());
}
