#include "ShellProbes.h"
#include "app/TrayIcon.h"
#include <gtest/gtest.h>
#include <cstddef>
#include <string>

namespace
{
// A plain window to own icons.
class OwnerWindow
{
public:
    OwnerWindow()
        : m_hWnd(::CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr))
    {
    }
    ~OwnerWindow() { ::DestroyWindow(m_hWnd); }
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND Get() const { return m_hWnd; }

private:
    HWND m_hWnd;
};

bool AllZeroFrom(const NOTIFYICONDATAW& record, size_t offset)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    for (size_t i = offset; i < sizeof record; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

// The layout that ends with the item GUID, in this build's word size.
constexpr DWORD kRecordSize = sizeof(void*) == 4 ? 952 : 968;

HWND const kOwner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
} // namespace

TEST(TrayIconRecord, AddCarriesOwnerIdCallbackIconAndTipAndNothingElse)
{
    CTrayIcon tray{kOwner, kTrayIconId};
    HICON icon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512));
    const NOTIFYICONDATAW record = tray.AddRecord(L"Halvix HV10  Control Panel", icon);

    EXPECT_EQ(record.cbSize, kRecordSize);
    EXPECT_EQ(record.hWnd, kOwner);
    EXPECT_EQ(record.uID, 0x42424242u);
    EXPECT_EQ(record.uFlags, 7u);
    EXPECT_EQ(record.uCallbackMessage, 0x8007u);
    EXPECT_EQ(record.hIcon, icon);
    EXPECT_EQ(std::wstring(record.szTip), L"Halvix HV10  Control Panel");
    EXPECT_TRUE(AllZeroFrom(record, offsetof(NOTIFYICONDATAW, dwState)));
}

TEST(TrayIconRecord, RemoveNamesOnlyTheIcon)
{
    CTrayIcon tray{kOwner, kTrayIconId};
    const NOTIFYICONDATAW record = tray.RemoveRecord();
    EXPECT_EQ(record.cbSize, kRecordSize);
    EXPECT_EQ(record.hWnd, kOwner);
    EXPECT_EQ(record.uID, 0x42424242u);
    EXPECT_TRUE(AllZeroFrom(record, offsetof(NOTIFYICONDATAW, uFlags)));
}

TEST(TrayIconRecord, TipIsCutToWhatTheFieldHolds)
{
    CTrayIcon tray{kOwner, kTrayIconId};
    for (size_t length : {126u, 127u, 128u, 300u})
    {
        const std::wstring text(length, L'x');
        const NOTIFYICONDATAW record = tray.AddRecord(text.c_str(), nullptr);
        EXPECT_EQ(std::wstring(record.szTip), text.substr(0, 127)) << length;
        EXPECT_TRUE(AllZeroFrom(record, offsetof(NOTIFYICONDATAW, dwState))) << length;
    }
    EXPECT_EQ(std::wstring(tray.AddRecord(nullptr, nullptr).szTip), L"");
}

TEST(TrayIcon, AddShowsTheIconUntilRemoveTakesItAway)
{
    OwnerWindow owner;
    CTrayIcon tray{owner.Get(), kTrayIconId};
    ASSERT_FALSE(TrayIconExists(owner.Get(), kTrayIconId));

    {
        const CShellCall added =
            tray.AddAside(L"tip", ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512)));
    }
    EXPECT_TRUE(TrayIconExists(owner.Get(), kTrayIconId));
    EXPECT_FALSE(TrayIconExists(owner.Get(), kTrayIconId + 1));

    EXPECT_TRUE(tray.Remove());
    EXPECT_FALSE(TrayIconExists(owner.Get(), kTrayIconId));
    EXPECT_FALSE(tray.Remove()) << "nothing left to remove";
}

TEST(TrayIcon, RemoveBeforeTheOwnerIsKnownDoesNothing)
{
    EXPECT_FALSE(CTrayIcon{}.Remove());
}
