#include "PanelFixture.h"

namespace
{
class StreamingMode : public PanelTest
{
};

const std::wstring kWarning48000 =
    L"At 48000 Hz sampling rate the selected ASIO buffer size is too small for the current USB "
    L"streaming mode. To avoid audio distortions, you should select a larger ASIO buffer size.";
} // namespace

TEST_F(StreamingMode, SixPresetsCarryTheirModeWithOrWithoutADevice)
{
    DetachDevice();
    EXPECT_EQ(panel->Items(IDC_STREAMING_MODE),
              (Texts{L"Min latency (1 ms)", L"Low latency (2 ms)", L"Standard (4 ms)",
                     L"Relaxed (8 ms)", L"Safe (16 ms)", L"Extra Safe (32 ms)"}));
    EXPECT_EQ(panel->ItemData(IDC_STREAMING_MODE), (std::vector<DWORD_PTR>{1, 2, 4, 8, 16, 32}));
}

TEST_F(StreamingMode, SelectionFollowsTheModeAndIgnoresModesThatAreNoPreset)
{
    const struct
    {
        unsigned int mode;
        UsbAudioStatus read;
        const wchar_t* selected;
    } cases[] = {{3, 0, L""},
                 {8, 0, L"Relaxed (8 ms)"},
                 {8, 0xE0000001, L""},
                 {1, 0, L"Min latency (1 ms)"}};
    for (const auto& c : cases)
    {
        fake.streamingMode = c.mode;
        fake.failures["GetUsbStreamingMode"] = c.read;
        if (c.read == 0)
            fake.ClearFailures();
        Refresh();
        EXPECT_EQ(panel->Selected(IDC_STREAMING_MODE), c.selected) << c.mode;
    }
}

TEST_F(StreamingMode, ChoosingAModeSetsItRefreshesThenWarnsAboutTheBuffer)
{
    fake.asioBufferSize = 128;
    fake.minimumAsioBufferSize = 256;
    Choose(IDC_STREAMING_MODE, L"Safe (16 ms)");
    Settle();
    EXPECT_EQ(CallsAmong({"SetUsbStreamingMode", "GetUsbStreamingMode", "GetASIOBufferSize",
                          "GetCurrentSampleRate", "GetMinimumASIOBufferSize", "MessageBox",
                          "SetASIOBufferSize"}),
              (Calls{"SetUsbStreamingMode(16)", "GetCurrentSampleRate()", "GetUsbStreamingMode()",
                     "GetASIOBufferSize()", "GetASIOBufferSize()", "GetASIOBufferSize()",
                     "GetCurrentSampleRate()", "GetMinimumASIOBufferSize(48000)", "MessageBox"}));
    EXPECT_EQ(panel->Selected(IDC_STREAMING_MODE), L"Safe (16 ms)");
    ASSERT_EQ(panel->boxes.size(), 1u);
    EXPECT_EQ(panel->boxes[0].text, kWarning48000);
    EXPECT_EQ(panel->boxes[0].caption, L"VOSTRAND KV58 Audio Control Panel");
    EXPECT_EQ(panel->boxes[0].style, UINT(MB_OK | MB_ICONINFORMATION));
}

TEST_F(StreamingMode, ARefusedModeIsExplainedAndTheBoxFallsBack)
{
    const struct
    {
        UsbAudioStatus status;
        const wchar_t* textStart;
    } cases[] = {
        {0xE0001002, L"The requested operation cannot be performed because ASIO"},
        {0xE0001001, L"The requested operation cannot be performed because a Windows sound"},
        {0xE0000005, L"TUSBAUDIO_SetUsbStreamingMode failed. \r\nStatus = 0xE0000005 (fake error)"},
    };
    for (const auto& c : cases)
    {
        fake.Fail("SetUsbStreamingMode", c.status);
        Choose(IDC_STREAMING_MODE, L"Min latency (1 ms)");
        Settle();
        ASSERT_EQ(panel->boxes.size(), 1u) << "the buffer is large enough: one box only";
        EXPECT_EQ(panel->boxes[0].text.rfind(c.textStart, 0), 0u) << c.status;
        EXPECT_EQ(panel->boxes[0].style, UINT(MB_OK | MB_ICONERROR));
        EXPECT_EQ(panel->Selected(IDC_STREAMING_MODE), L"Standard (4 ms)");
        panel->boxes.clear();
    }
}

TEST_F(StreamingMode, NoSettingsHandlerActsWithoutASelection)
{
    for (int box : {IDC_INPUT_SOURCE, IDC_SAMPLE_RATE, IDC_STREAMING_MODE, IDC_ASIO_BUFFER})
        panel->Ask(box, CB_SETCURSEL, static_cast<WPARAM>(-1));
    panel->Notify(IDC_INPUT_SOURCE, CBN_SELCHANGE);
    panel->Notify(IDC_SAMPLE_RATE, CBN_SELCHANGE);
    panel->Notify(IDC_STREAMING_MODE, CBN_SELCHANGE);
    panel->Notify(IDC_ASIO_BUFFER, CBN_SELCHANGE);
    Settle();
    EXPECT_TRUE(fake.TakeCalls().empty());
    EXPECT_TRUE(hid.calls.empty());
}
