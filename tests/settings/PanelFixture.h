#pragma once
#include "FakeHid.h"
#include "app/resource.h"
#include "tests/support/FakeUsbAudio.h"
#include "tests/support/TestPanel.h"
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// Puts each message box into the driver's log as well, so that tests see
// where it came among the driver calls.
class LoggingPanel : public TestPanel
{
public:
    using TestPanel::TestPanel;

protected:
    int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT style) override
    {
        FakeUsbAudio::Instance().Log("MessageBox");
        return TestPanel::ShowMessageBox(text, caption, style);
    }
};

// A panel on the fake driver and the fake HID services with a KV58 open.
// Destroying a panel takes seconds under Wine, so a suite shares one and
// each test starts it again from a fresh device.
class PanelTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        FakeUsbAudio::Instance().Reset();
        FakeHid::Instance().Reset();
        s_api = FakeUsbAudio::Instance().api();
        s_panel = std::make_unique<LoggingPanel>(s_api, FakeHid::Instance().api());
        s_panel->StayOutOfTheTray();
        s_panel->Create();
    }
    static void TearDownTestSuite() { s_panel.reset(); }

    void SetUp() override
    {
        ASSERT_TRUE(s_panel && s_panel->m_hWnd);
        panel = s_panel.get();
        fake.Reset();
        hid.Reset();
        hid.interfaces = {Kv58Interface(L"\\\\?\\hid#kv58")};
        s_api = fake.api();
        panel->DeviceChanged();
        Settle();
        panel->boxes.clear();
        fake.TakeCalls();
        hid.ClearRecords();
    }

    void TearDown() override { hid.ExpectAllReleasedAndNoMisuse(); }

    void Settle() { ASSERT_TRUE(panel->Settle()) << "the device thread did not settle"; }
    // Asks for a refresh and waits for it.
    void Refresh()
    {
        panel->Refresh();
        Settle();
    }
    // The device goes away: the panel reopens and finds none.
    void DetachDevice()
    {
        fake.deviceCount = 0;
        panel->DeviceChanged();
        Settle();
        fake.TakeCalls();
    }

    // Calls logged since the last take whose text starts with one of the prefixes.
    std::vector<std::string> CallsAmong(std::initializer_list<const char*> prefixes)
    {
        std::vector<std::string> found;
        for (const std::string& call : fake.TakeCalls())
            for (const char* prefix : prefixes)
                if (call.rfind(prefix, 0) == 0)
                {
                    found.push_back(call);
                    break;
                }
        return found;
    }

    // The user picks an item; the panel sends it on.
    void Choose(int box, const std::wstring& text)
    {
        ASSERT_TRUE(panel->Choose(box, text)) << "no item " << testing::PrintToString(text);
    }

    // Bytes 24 of the reports written since the last clear.
    std::vector<int> ReportFlags()
    {
        std::vector<int> flags;
        for (const FakeHid::Write& write : hid.writes)
            flags.push_back(write.bytes.size() == 28 ? write.bytes[24] : -1);
        hid.writes.clear();
        return flags;
    }

    FakeUsbAudio& fake = FakeUsbAudio::Instance();
    FakeHid& hid = FakeHid::Instance();
    LoggingPanel* panel = nullptr;
    // The driver the panel calls; a test may swap single functions.
    static inline UsbAudioApi s_api{};
    static inline std::unique_ptr<LoggingPanel> s_panel;
};

using Calls = std::vector<std::string>;
using Texts = std::vector<std::wstring>;
