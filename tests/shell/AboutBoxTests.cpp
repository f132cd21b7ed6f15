#include "RunningPanel.h"
#include "app/AboutDlg.h"
#include <algorithm>
#include <vector>

namespace
{
class AboutBox : public RunningPanel
{
protected:
    HWND WaitForAbout(HWND panel) const
    {
        HWND about = nullptr;
        WaitFor([&] { return (about = FindOwnedPopup(panel)) != nullptr; });
        return about;
    }

    static std::wstring ControlText(HWND dialog, int id)
    {
        return WindowText(::GetDlgItem(dialog, id));
    }

    // True when some static text of the dialog reads text.
    static bool HasText(HWND dialog, const std::wstring& text)
    {
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
             child = ::GetWindow(child, GW_HWNDNEXT))
            if (WindowText(child) == text)
                return true;
        return false;
    }
};
} // namespace

TEST_F(AboutBox, SystemMenuItemAndEveryIdMaskingToItOpenTheBox)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    for (UINT id : {0x10u, 0x1Fu, 0x13u})
    {
        ::PostMessageW(panel, WM_SYSCOMMAND, id, 0);
        HWND about = WaitForAbout(panel);
        ASSERT_NE(about, nullptr) << id;
        EXPECT_EQ(WindowText(about), L"About Halvix HV10 ");
        EXPECT_EQ(ControlText(about, 1026), L"Halvix HV10 ");
        EXPECT_TRUE(HasText(about, L"CPL Version:  1.49"));
        EXPECT_FALSE(::IsWindowEnabled(panel)) << "the box is modal";

        ::PostMessageW(about, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about); })) << "OK closes it";
        EXPECT_TRUE(WaitFor([&] { return ::IsWindowEnabled(panel) != FALSE; }));
    }

    // Neighbouring ids are not the About item.
    for (UINT id : {0x0Fu, 0x20u})
    {
        DWORD_PTR result = 0;
        EXPECT_NE(
            ::SendMessageTimeoutW(panel, WM_SYSCOMMAND, id, 0, SMTO_ABORTIFHUNG, 3000, &result), 0)
            << id;
        EXPECT_EQ(FindOwnedPopup(panel), nullptr) << id;
    }
    EXPECT_TRUE(IsOnScreen(panel));
}

TEST_F(AboutBox, SecondStartRaisesTheOpenBox)
{
    HWND panel = Start();
    ASSERT_NE(panel, nullptr);
    ::PostMessageW(panel, WM_SYSCOMMAND, 16, 0);
    HWND about = WaitForAbout(panel);
    ASSERT_NE(about, nullptr);

    HWND other = ::CreateWindowW(L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);
    ASSERT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == other; }));
    StartSecondCopy();
    EXPECT_TRUE(WaitFor([&] { return ::GetForegroundWindow() == about; }));
    EXPECT_TRUE(::IsWindowVisible(about));
    EXPECT_EQ(PanelWindows().size(), 1u);
    ::DestroyWindow(other);
}

TEST(AboutBoxLines, EveryLineFitsItsControlWhole)
{
    CAboutDlg about;
    ASSERT_TRUE(about.Create());
    std::vector<std::wstring> lines;
    for (HWND child = ::GetWindow(about.m_hWnd, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT))
    {
        if (ClassName(child) != L"Static" ||
            (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_LEFT)
            continue;
        const std::wstring text = WindowText(child);
        lines.push_back(text);
        HDC dc = ::GetDC(child);
        HGDIOBJ font =
            ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(child, WM_GETFONT, 0, 0)));
        SIZE extent{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        ::SelectObject(dc, font);
        ::ReleaseDC(child, dc);
        RECT client{};
        ::GetClientRect(child, &client);
        EXPECT_LE(extent.cx, client.right) << "cut: " << testing::PrintToString(text);
    }
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"\u00A9 Vostrand Audio"), lines.end());
    EXPECT_EQ(lines.size(), 3u);
    about.EndDialog(IDOK);
}
