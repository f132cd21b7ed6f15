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
        EXPECT_EQ(panel->Items(IDC_INPUT_SOURCE), (Texts{L"SPDIF IN", L"Analog In"}));
        EXPECT_EQ(panel->ItemData(IDC_INPUT_SOURCE), (std::vector<DWORD_PTR>{2, 1}));
        EXPECT_EQ(panel->Selected(IDC_INPUT_SOURCE), c.selected) << int(c.value);
        EXPECT_EQ(panel->Shown().inputSource, c.value);
    }
}

TEST_F(InputSource, AFailedReadOrNoDeviceLeavesNothingSelected)
{
    fake.Fail("Get(11,0)", 0xE0000001);
    Refresh();
    EXPECT_EQ(panel->Items(IDC_INPUT_SOURCE).size(), 2u);
    EXPECT_EQ(panel->Selected(IDC_INPUT_SOURCE), L"");
    EXPECT_EQ(panel->Shown().inputSource, std::nullopt);

    DetachDevice();
    Refresh();
    EXPECT_TRUE(panel->Items(IDC_INPUT_SOURCE).empty());
    EXPECT_TRUE(CallsAmong({"Get(11"}).empty());
}

TEST_F(InputSource, ChoosingAnInputWritesItsSingleByteThenReadsBack)
{
    Choose(IDC_INPUT_SOURCE, L"Analog In");
    Settle();
    EXPECT_EQ(CallsAmong({"Get(11", "Set"}),
              (Calls{"Set(11,0x01,0,0,len=1,data=01,timeout=500)", kRead}));
    EXPECT_EQ(fake.Byte(11, 0), 1);
    EXPECT_EQ(panel->Selected(IDC_INPUT_SOURCE), L"Analog In");

    Choose(IDC_INPUT_SOURCE, L"SPDIF IN");
    Settle();
    EXPECT_EQ(CallsAmong({"Get(11", "Set"}),
              (Calls{"Set(11,0x01,0,0,len=1,data=02,timeout=500)", kRead}));
    EXPECT_EQ(panel->Selected(IDC_INPUT_SOURCE), L"SPDIF IN");
    EXPECT_TRUE(panel->boxes.empty());
}

TEST_F(InputSource, ARefusedWriteIsReportedWithoutBusyTextsAndTheBoxFallsBack)
{
    fake.Fail("Set(11,0)", 0xE0001001);
    Choose(IDC_INPUT_SOURCE, L"Analog In");
    Settle();
    ASSERT_EQ(panel->boxes.size(), 1u);
    EXPECT_EQ(panel->boxes[0].text, L"DevSelectInput failed. \r\nStatus = 0xE0001001 (fake error)");
    EXPECT_EQ(panel->boxes[0].style, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(CallsAmong({"Get(11", "Set", "MessageBox"}),
              (Calls{"Set(11,0x01,0,0,len=1,data=01,timeout=500)", kRead, "MessageBox"}));
    EXPECT_EQ(panel->Selected(IDC_INPUT_SOURCE), L"SPDIF IN");
}
