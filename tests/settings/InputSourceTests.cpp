#include "PanelFixture.h"

namespace
{
class InputSource : public PanelTest
{
};

const char kRead[] = "Get(11,0x81,0,0,len=1,timeout=500)";
} // namespace

TEST_F(InputSource, BothInputsAreListedAndTheDevicesOneSelected)
{
    const struct
    {
        uint8_t value;
        const wchar_t* selected;
    } cases[] = {{1, L"Analog In"}, {2, L"SPDIF IN"}, {0, L""}, {3, L""}, {255, L""}};
    for (const auto& c : cases)
    {
        fake.SetByte(11, 0, c.value);
        Refresh();
        EXPECT_EQ(CallsAmong({"Get(11", "Set(11"}), (Calls{kRead}));
        EXPECT_EQ(Items(panel->m_cbInputSource), (Texts{L"SPDIF IN", L"Analog In"}));
        EXPECT_EQ(ItemData(panel->m_cbInputSource), (std::vector<DWORD_PTR>{2, 1}));
        EXPECT_EQ(Selected(panel->m_cbInputSource), c.selected) << int(c.value);
        EXPECT_EQ(panel->Shown().inputSource, c.value);
    }
}

TEST_F(InputSource, AFailedReadOrNoDeviceLeavesNothingSelected)
{
    fake.Fail("Get(11,0)", 0xE0000001);
    Refresh();
    EXPECT_EQ(Items(panel->m_cbInputSource).size(), 2u);
    EXPECT_EQ(Selected(panel->m_cbInputSource), L"");
    EXPECT_EQ(panel->Shown().inputSource, std::nullopt);

    DetachDevice();
    Refresh();
    EXPECT_TRUE(Items(panel->m_cbInputSource).empty());
    EXPECT_TRUE(CallsAmong({"Get(11"}).empty());
}

TEST_F(InputSource, ChoosingAnInputWritesItsSingleByteThenReadsBack)
{
    Choose(panel->m_cbInputSource, L"Analog In");
    panel->Notify(IDC_INPUT_SOURCE, CBN_SELCHANGE);
    Settle();
    EXPECT_EQ(CallsAmong({"Get(11", "Set"}),
              (Calls{"Set(11,0x01,0,0,len=1,data=01,timeout=500)", kRead}));
    EXPECT_EQ(fake.Byte(11, 0), 1);
    EXPECT_EQ(Selected(panel->m_cbInputSource), L"Analog In");

    Choose(panel->m_cbInputSource, L"SPDIF IN");
    panel->Notify(IDC_INPUT_SOURCE, CBN_SELCHANGE);
    Settle();
    EXPECT_EQ(CallsAmong({"Get(11", "Set"}),
              (Calls{"Set(11,0x01,0,0,len=1,data=02,timeout=500)", kRead}));
    EXPECT_EQ(Selected(panel->m_cbInputSource), L"SPDIF IN");
    EXPECT_TRUE(panel->boxes.empty());
}

TEST_F(InputSource, ARefusedWriteIsReportedWithoutBusyTextsAndTheBoxFallsBack)
{
    fake.Fail("Set(11,0)", 0xE0001001);
    Choose(panel->m_cbInputSource, L"Analog In");
    panel->Notify(IDC_INPUT_SOURCE, CBN_SELCHANGE);
    Settle();
    ASSERT_EQ(panel->boxes.size(), 1u);
    EXPECT_EQ(panel->boxes[0].text, L"DevSelectInput failed. \r\nStatus = 0xE0001001 (fake error)");
    EXPECT_EQ(panel->boxes[0].style, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(CallsAmong({"Get(11", "Set", "MessageBox"}),
              (Calls{"Set(11,0x01,0,0,len=1,data=01,timeout=500)", kRead, "MessageBox"}));
    EXPECT_EQ(Selected(panel->m_cbInputSource), L"SPDIF IN");
}
