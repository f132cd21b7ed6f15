#include "PanelFixture.h"

namespace
{
class SampleRate : public PanelTest
{
protected:
    void Fill()
    {
        Refresh();
        calls = CallsAmong({"GetSupportedSampleRates", "GetCurrentSampleRate", "SetSampleRate"});
    }
    // The device reports a rate change.
    void NotifyRate(unsigned int rate)
    {
        fake.currentRate = rate;
        fake.Notify(1);
        Settle();
    }
    Calls calls;
};

// A driver that claims more rates than it had room for.
unsigned int g_claimedCount = 0;
UsbAudioStatus WINAPI OverclaimingRates(UsbAudioDeviceHandle, unsigned int maxCount,
                                        unsigned int* rates, unsigned int* count)
{
    for (unsigned int i = 0; i < maxCount && i < 3; ++i)
        rates[i] = 44100 + 3900 * i;
    *count = g_claimedCount;
    return 0;
}

const Texts kFullList = {L"44100 Hz", L"48000 Hz", L"88200 Hz", L"96000 Hz"};
} // namespace

TEST_F(SampleRate, ListsOnlyRatesFrom44100To96000InTheDriversOrder)
{
    fake.supportedRates = {32000, 96000, 44100, 192000, 88200, 48000, 96001, 64000, 44099};
    Fill();
    EXPECT_EQ(calls, (Calls{"GetSupportedSampleRates(16)", "GetCurrentSampleRate()"}));
    EXPECT_EQ(panel->Items(IDC_SAMPLE_RATE),
              (Texts{L"96000 Hz", L"44100 Hz", L"88200 Hz", L"48000 Hz", L"64000 Hz"}));
    EXPECT_EQ(panel->ItemData(IDC_SAMPLE_RATE),
              (std::vector<DWORD_PTR>{96000, 44100, 88200, 48000, 64000}));
    EXPECT_EQ(panel->Selected(IDC_SAMPLE_RATE), L"48000 Hz");
    EXPECT_EQ(ReportFlags(), (std::vector<int>{0x22}));
}

TEST_F(SampleRate, TheCurrentRateDecidesSelectionAndReport)
{
    const struct
    {
        unsigned int current;
        const wchar_t* selected;
        std::vector<int> reports;
    } cases[] = {
        {44100, L"44100 Hz", {0x20}},
        {96000, L"96000 Hz", {0x21}},
        {88200, L"88200 Hz", {}},
        {192000, L"", {}},
        // Below the range it shows as 44100 Hz; the device is not changed.
        {32000, L"44100 Hz", {0x20, 0x20}},
        {0, L"44100 Hz", {0x20, 0x20}},
    };
    for (const auto& c : cases)
    {
        fake.currentRate = c.current;
        Fill();
        EXPECT_EQ(panel->Items(IDC_SAMPLE_RATE), kFullList) << c.current;
        EXPECT_EQ(panel->Selected(IDC_SAMPLE_RATE), c.selected) << c.current;
        EXPECT_EQ(ReportFlags(), c.reports) << c.current;
        EXPECT_EQ(calls, (Calls{"GetSupportedSampleRates(16)", "GetCurrentSampleRate()"}));
    }
}

TEST_F(SampleRate, FailedReadsAndNoDeviceLeaveTheListEmptyOrUnselected)
{
    fake.Fail("GetCurrentSampleRate", 0xE0000001);
    Fill();
    EXPECT_EQ(panel->Items(IDC_SAMPLE_RATE), kFullList);
    EXPECT_EQ(panel->Selected(IDC_SAMPLE_RATE), L"");

    fake.Fail("GetSupportedSampleRates", 0xE0000001);
    Fill();
    EXPECT_EQ(calls, (Calls{"GetSupportedSampleRates(16)"}));
    EXPECT_TRUE(panel->Items(IDC_SAMPLE_RATE).empty());

    fake.ClearFailures();
    DetachDevice();
    Fill();
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(panel->Items(IDC_SAMPLE_RATE).empty());
    EXPECT_TRUE(ReportFlags().empty());
}

TEST_F(SampleRate, ACountBeyondTheRoomGivenIsNotBelieved)
{
    s_api.GetSupportedSampleRates = &OverclaimingRates;
    for (unsigned int claimed : {5u, 17u, 0xFFFFFFFFu})
    {
        g_claimedCount = claimed;
        Fill();
        EXPECT_EQ(panel->Items(IDC_SAMPLE_RATE), (Texts{L"44100 Hz", L"48000 Hz", L"51900 Hz"}))
            << claimed;
    }
}

TEST_F(SampleRate, ARateChangeReportedByTheDeviceIsShownWithoutRebuildingTheList)
{
    NotifyRate(96000);
    EXPECT_EQ(CallsAmong({"Get"}), (Calls{"GetCurrentSampleRate()"}));
    EXPECT_EQ(panel->Selected(IDC_SAMPLE_RATE), L"96000 Hz");
    EXPECT_EQ(ReportFlags(), (std::vector<int>{0x21}));

    // Not raised to 44100 Hz here, and not left showing the old rate.
    NotifyRate(32000);
    EXPECT_EQ(panel->Selected(IDC_SAMPLE_RATE), L"");
    EXPECT_TRUE(ReportFlags().empty());

    fake.Fail("GetCurrentSampleRate", 0xE0000001);
    NotifyRate(48000);
    EXPECT_EQ(panel->Selected(IDC_SAMPLE_RATE), L"");
    fake.ClearFailures();
    // A closed device's notifications are not read.
    DetachDevice();
    NotifyRate(48000);
    EXPECT_EQ(panel->Selected(IDC_SAMPLE_RATE), L"");
    EXPECT_TRUE(CallsAmong({"Get", "Read"}).empty());
}

TEST_F(SampleRate, ChoosingARateSetsItReportsItAndRefreshes)
{
    fake.currentRate = 44100;
    Refresh();
    fake.TakeCalls();
    ReportFlags();

    Choose(IDC_SAMPLE_RATE, L"48000 Hz");
    Settle();
    EXPECT_EQ(CallsAmong({"SetSampleRate", "HidReport", "GetSupportedSampleRates",
                          "GetCurrentSampleRate", "GetASIOBufferSize"}),
              (Calls{"SetSampleRate(48000)", "HidReport(0x22)", "GetSupportedSampleRates(16)",
                     "GetCurrentSampleRate()", "HidReport(0x22)", "GetASIOBufferSize()",
                     "GetASIOBufferSize()"}));
    EXPECT_EQ(fake.currentRate, 48000u);
    EXPECT_EQ(panel->Selected(IDC_SAMPLE_RATE), L"48000 Hz");
    EXPECT_TRUE(panel->boxes.empty());
}

TEST_F(SampleRate, ARefusedChangeIsExplainedAndTheBoxFallsBack)
{
    const struct
    {
        UsbAudioStatus status;
        const wchar_t* textStart;
    } cases[] = {
        {0xE0001001, L"The requested operation cannot be performed because a Windows sound"},
        {0xE0001002, L"The requested operation cannot be performed because ASIO"},
        {31, L"TUSBAUDIO_SetSampleRate failed. \r\nStatus = 0x0000001F (fake error)"},
    };
    for (const auto& c : cases)
    {
        fake.Fail("SetSampleRate", c.status);
        Choose(IDC_SAMPLE_RATE, L"96000 Hz");
        Settle();
        // The refresh is read while the box is on its way; the box comes first on screen.
        EXPECT_EQ(CallsAmong({"SetSampleRate", "MessageBox", "HidReport", "GetCurrentSampleRate"}),
                  (Calls{"SetSampleRate(96000)", "GetCurrentSampleRate()", "HidReport(0x22)",
                         "MessageBox"}));
        ASSERT_EQ(panel->boxes.size(), 1u);
        EXPECT_EQ(panel->boxes[0].text.rfind(c.textStart, 0), 0u) << c.status;
        EXPECT_EQ(panel->boxes[0].caption, L"Halvix HV10 ");
        EXPECT_EQ(panel->Selected(IDC_SAMPLE_RATE), L"48000 Hz");
        panel->boxes.clear();
        ReportFlags();
    }
}
