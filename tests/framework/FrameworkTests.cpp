#include "app/resource.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/WinApp.h"
#include "tests/support/Pump.h"
#include "tests/support/TestPanel.h"
#include <gtest/gtest.h>
#include <atomic>
#include <thread>
#include <vector>

namespace
{
// A label that answers its colour request itself and records what it saw.
class ReflectingLabel : public CStatic
{
public:
    std::vector<UINT> messages;
    bool swallowNextClick = false;

protected:
    bool OnChildNotify(UINT msg, WPARAM, LPARAM, LRESULT* result) override
    {
        messages.push_back(msg);
        if (msg != WM_CTLCOLORSTATIC)
            return false;
        *result = reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
        return true;
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_USER + 1)
            return 42;
        return CStatic::WindowProc(msg, wParam, lParam);
    }
    bool PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_USER + 2 && swallowNextClick)
        {
            swallowNextClick = false;
            return true;
        }
        return false;
    }
};

// The About template serves as a small test dialog.
class TestDialog : public CDialog
{
public:
    TestDialog() : CDialog(IDD_ABOUTBOX) {}
    ReflectingLabel name;
    int initCount = 0;
    int closeCount = 0;
    std::vector<UINT> unhandledCommands;

protected:
    void DoDataExchange() override { DDX_Control(IDC_ABOUT_NAME, name); }
    BOOL OnInitDialog() override
    {
        ++initCount;
        return CDialog::OnInitDialog();
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_CLOSE)
            ++closeCount;
        return CDialog::WindowProc(msg, wParam, lParam);
    }
};

class TestApp : public CWinApp
{
};
} // namespace

TEST(Framework, BindsTemplateControlsAndDispatchesToTheirObjects)
{
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.initCount, 1);
    ASSERT_NE(dialog.name.m_hWnd, nullptr);
    EXPECT_EQ(dialog.name.GetDlgCtrlID(), IDC_ABOUT_NAME);
    EXPECT_EQ(CWnd::FromHandle(dialog.name.m_hWnd), &dialog.name);
    EXPECT_EQ(CWnd::FromHandle(dialog.m_hWnd), &dialog);
    // The subclassed control gets its own messages; the rest reach the system's procedure.
    EXPECT_EQ(dialog.name.SendMessage(WM_USER + 1), 42);
    ::SetWindowTextW(dialog.name.m_hWnd, L"text");
    wchar_t text[16]{};
    ::GetWindowTextW(dialog.name.m_hWnd, text, 16);
    EXPECT_STREQ(text, L"text");
    dialog.EndDialog(IDOK);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.name.m_hWnd, nullptr);
}

TEST(Framework, ReflectsColourRequestsToTheChildThatAnswersThem)
{
    TestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    HDC dc = ::GetDC(dialog.m_hWnd);
    LRESULT brush = ::SendMessageW(dialog.m_hWnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                   reinterpret_cast<LPARAM>(dialog.name.m_hWnd));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)));
    // A child that declines leaves the parent's own handling in place.
    LRESULT button = ::SendMessageW(dialog.m_hWnd, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                    reinterpret_cast<LPARAM>(dialog.name.m_hWnd));
    EXPECT_NE(button, reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH)));
    ::ReleaseDC(dialog.m_hWnd, dc);
    EXPECT_EQ(dialog.name.messages, (std::vector<UINT>{WM_CTLCOLORSTATIC, WM_CTLCOLORBTN}));
    dialog.EndDialog(IDOK);
}

TEST(Framework, ModalRunEndsWithEscapeThroughTheDialogManager)
{
    TestDialog dialog;
    ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        HWND active = ::GetActiveWindow();
        HWND focus = ::GetFocus();
        ::PostMessageW(focus ? focus : active, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(Framework, ModalRunOffersMessagesToPreTranslateOfTargetAndParents)
{
    TestDialog dialog;
    dialog.name.swallowNextClick = true;
    static TestDialog* running;
    running = &dialog;
    ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        // The first is swallowed by the label's pre-translation; the command ends the run.
        ::PostMessageW(running->name.m_hWnd, WM_USER + 2, 0, 0);
        ::PostMessageW(running->m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_FALSE(dialog.name.swallowNextClick);
}

TEST(Framework, UnhandledAppExitCommandClosesTheMainWindow)
{
    TestApp app;
    TestDialog dialog;
    app.m_pMainWnd = &dialog;
    static TestDialog* running;
    running = &dialog;
    ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        ::PostMessageW(running->m_hWnd, WM_COMMAND, ID_APP_EXIT, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.closeCount, 1);
}

TEST(Framework, ModalRunLeavesQuitRequestForOuterLoop)
{
    TestDialog dialog;
    ::SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR id, DWORD) {
        ::KillTimer(nullptr, id);
        ::PostQuitMessage(7);
    });
    dialog.DoModal();
    MSG msg;
    ASSERT_TRUE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

namespace
{
// How a modal run ended after another thread sent it a button's click.
struct SentEnd
{
    ULONGLONG msToClose;   // from the send until the window is off the screen
    bool neededAnotherPost; // the loop waited for an unrelated posted message
};

// Sends the click once the modal dialog is up and its queue has gone quiet.
// Under Xvfb without a window manager, Wine waits up to 2 s for a destroyed
// window to be withdrawn, so the close is timed to the window's hiding.
SentEnd EndBySentClick(CDialog& dialog, WORD button)
{
    SentEnd end{};
    std::atomic<bool> returned{false};
    std::thread sender(
        [&]
        {
            while (!dialog.m_hWnd || !::IsWindowVisible(dialog.m_hWnd))
                ::Sleep(5);
            ::Sleep(300);
            HWND window = dialog.m_hWnd;
            const ULONGLONG sentAt = ::GetTickCount64();
            ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
            PumpUntil([&] { return !::IsWindowVisible(window); }, 2000);
            end.msToClose = ::GetTickCount64() - sentAt;
            // A loop that missed its end is woken late, so that the test ends.
            end.neededAnotherPost = !PumpUntil([&] { return returned.load(); }, 5000);
            if (end.neededAnotherPost)
                ::PostMessageW(window, WM_NULL, 0, 0);
        });
    dialog.DoModal();
    returned = true;
    sender.join();
    return end;
}
} // namespace

TEST(Framework, ModalRunEndsAtOnceWhenItsEndComesInASentMessage)
{
    for (WORD button : {IDOK, IDCANCEL})
    {
        TestDialog box;
        const SentEnd end = EndBySentClick(box, button);
        EXPECT_LT(end.msToClose, 100u) << "About box, button " << button;
        EXPECT_FALSE(end.neededAnotherPost) << "About box, button " << button;
    }
    TestPanel panel;
    const SentEnd end = EndBySentClick(panel, IDCANCEL);
    EXPECT_LT(end.msToClose, 100u) << "panel";
    EXPECT_FALSE(end.neededAnotherPost) << "panel";
}
