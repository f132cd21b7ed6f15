#include "PanelFixture.h"

namespace
{
class AsioBuffer : public PanelTest
{
protected:
    void ChooseSize(const wchar_t* text)
    {
        Choose(IDC_ASIO_BUFFER, text);
        Settle();
    }
};

std::vector<unsigned int> Sizes(const AsioBufferSizeList& list)
{
    std::vector<unsigned int> sizes;
    for (const AsioBufferSize& entry : list)
        sizes.push_back(entry.size);
    return sizes;
}
} // namespace

TEST(AsioBufferSizeList, InsertionKeepsTheListAscendingAndFreeOfDuplicates)
{
    AsioBufferSizeList list;
    for (unsigned int size : {512u, 64u, 8192u, 96u, 512u, 64u, 8192u, 0u, 100000u, 1000u})
        InsertAsioBufferSize(list, size);
    EXPECT_EQ(Sizes(list), (std::vector<unsigned int>{0, 64, 96, 512, 1000, 8192, 100000}));
    for (const AsioBufferSize& entry : list)
        EXPECT_TRUE(entry.suffix.empty());
}

TEST(AsioBufferSizeList, TextWidthDependsOnTheSizesMagnitude)
{
    EXPECT_EQ(AsioBufferSizeText(64), L"    64 samples");
    EXPECT_EQ(AsioBufferSizeText(99), L"    99 samples");
    EXPECT_EQ(AsioBufferSizeText(100), L"  100 samples");
    EXPECT_EQ(AsioBufferSizeText(512), L"  512 samples");
    EXPECT_EQ(AsioBufferSizeText(999), L"  999 samples");
    EXPECT_EQ(AsioBufferSizeText(1000), L"1000 samples");
    EXPECT_EQ(AsioBufferSizeText(16384), L"16384 samples");
    EXPECT_EQ(AsioBufferSizeText(0), L"     0 samples");
    EXPECT_EQ(AsioBufferSizeText(4294967295u), L"4294967295 samples");
}

TEST_F(AsioBuffer, TheDriversOwnSizeJoinsTheStandardOnesInItsPlace)
{
    const struct
    {
        unsigned int current;
        std::vector<DWORD_PTR> sizes;
        const wchar_t* selected;
    } cases[] = {
        {512, {64, 128, 256, 512, 1024, 2048, 4096, 8192}, L"  512 samples"},
        {96, {64, 96, 128, 256, 512, 1024, 2048, 4096, 8192}, L"    96 samples"},
        {16384, {64, 128, 256, 512, 1024, 2048, 4096, 8192, 16384}, L"16384 samples"},
        {0, {0, 64, 128, 256, 512, 1024, 2048, 4096, 8192}, L"     0 samples"},
    };
    for (const auto& c : cases)
    {
        fake.asioBufferSize = c.current;
        Refresh();
        EXPECT_EQ(panel->ItemData(IDC_ASIO_BUFFER), c.sizes) << c.current;
        EXPECT_EQ(panel->Selected(IDC_ASIO_BUFFER), c.selected) << c.current;
    }
    EXPECT_EQ(panel->Items(IDC_ASIO_BUFFER)[1], L"    64 samples");
    EXPECT_EQ(panel->Items(IDC_ASIO_BUFFER)[5], L"1024 samples");
}

TEST_F(AsioBuffer, WithoutTheDriversSizeOnlyTheStandardOnesAreListedAndNoneSelected)
{
    fake.asioBufferSize = 96;
    fake.Fail("GetASIOBufferSize", 0xE0000001);
    Refresh();
    EXPECT_EQ(panel->ItemData(IDC_ASIO_BUFFER),
              (std::vector<DWORD_PTR>{64, 128, 256, 512, 1024, 2048, 4096, 8192}));
    EXPECT_EQ(panel->Selected(IDC_ASIO_BUFFER), L"");
}

TEST_F(AsioBuffer, TheMinimumCheckWarnsOnlyBelowTheMinimum)
{
    fake.minimumAsioBufferSize = 128;
    ChooseSize(L"  128 samples");
    EXPECT_TRUE(panel->boxes.empty());
    fake.minimumAsioBufferSize = 129;
    ChooseSize(L"  128 samples");
    ASSERT_EQ(panel->boxes.size(), 1u);
    EXPECT_EQ(panel->boxes[0].text.rfind(L"At 48000 Hz sampling rate the selected", 0), 0u);
    EXPECT_EQ(panel->boxes[0].style, UINT(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(CallsAmong({"GetCurrentSampleRate()", "GetMinimumASIOBufferSize"}),
              (Calls{"GetCurrentSampleRate()", "GetMinimumASIOBufferSize(48000)",
                     "GetCurrentSampleRate()", "GetCurrentSampleRate()",
                     "GetMinimumASIOBufferSize(48000)", "GetCurrentSampleRate()"}));
    EXPECT_EQ(panel->Shown().asioMinimum, 129u);
}

TEST_F(AsioBuffer, AFailedMinimumCheckIsReportedAndRefreshedAndSetsNothing)
{
    const struct
    {
        const char* failing;
        const wchar_t* text;
    } cases[] = {
        {"GetMinimumASIOBufferSize",
         L"TUSBAUDIO_GetMinimumASIOBufferSize failed. \r\nStatus = 0xE0000007 (fake error)"},
        {"GetCurrentSampleRate",
         L"TUSBAUDIO_GetCurrentSampleRate failed. \r\nStatus = 0xE0000007 (fake error)"},
    };
    for (const auto& c : cases)
    {
        fake.Fail(c.failing, 0xE0000007);
        ChooseSize(L"    64 samples");
        ASSERT_EQ(panel->boxes.size(), 1u) << c.failing;
        EXPECT_EQ(panel->boxes[0].text, c.text);
        // The check's own refresh, then the handler's.
        EXPECT_EQ(CallsAmong({"MessageBox", "GetUsbStreamingMode", "SetASIOBufferSize"}),
                  (Calls{"GetUsbStreamingMode()", "GetUsbStreamingMode()", "MessageBox"}));
        EXPECT_EQ(panel->Selected(IDC_ASIO_BUFFER), L"  512 samples");
        fake.ClearFailures();
        panel->boxes.clear();
    }
}

TEST_F(AsioBuffer, ASizeBelowTheMinimumIsSetAfterTheWarning)
{
    fake.minimumAsioBufferSize = 128;
    ChooseSize(L"    64 samples");
    EXPECT_EQ(CallsAmong({"GetMinimumASIOBufferSize", "MessageBox", "SetASIOBufferSize",
                          "GetUsbStreamingMode"}),
              (Calls{"GetMinimumASIOBufferSize(48000)", "MessageBox", "SetASIOBufferSize(64)",
                     "GetUsbStreamingMode()"}));
    EXPECT_EQ(fake.asioBufferSize, 64u);
    EXPECT_EQ(panel->Selected(IDC_ASIO_BUFFER), L"    64 samples");
}

TEST_F(AsioBuffer, ARefusedSizeGetsTheGenericTextEvenForBusyCodes)
{
    fake.Fail("SetASIOBufferSize", 0xE0001002);
    ChooseSize(L"1024 samples");
    ASSERT_EQ(panel->boxes.size(), 1u);
    EXPECT_EQ(panel->boxes[0].text,
              L"TUSBAUDIO_SetASIOBufferSize failed. \r\nStatus = 0xE0001002 (fake error)");
    EXPECT_EQ(panel->boxes[0].style, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(panel->Selected(IDC_ASIO_BUFFER), L"  512 samples");
}

TEST_F(AsioBuffer, NoSizeIsSentWhenTheCheckCannotBeMade)
{
    DetachDevice();
    ChooseSize(L"1024 samples");
    EXPECT_TRUE(fake.CallsTo("SetASIOBufferSize").empty());
    EXPECT_FALSE(fake.CallsTo("GetUsbStreamingMode").empty()) << "the panel refreshes";
    EXPECT_TRUE(panel->boxes.empty());
}
