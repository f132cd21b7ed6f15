#include "PanelFixture.h"
#include "core/DeviceSettings.h"
#include "device/HidRateReport.h"

namespace
{
using Step = FakeHid::Step;
const std::wstring kFirst = L"\\\\?\\hid#first";
const std::wstring kSecond = L"\\\\?\\hid#second";

std::vector<uint8_t> ExpectedReport(uint8_t flags)
{
    std::vector<uint8_t> bytes(28, 0);
    bytes[22] = 0x01;
    bytes[23] = 0x23;
    bytes[24] = flags;
    return bytes;
}

// The HID link of a session open on the fake driver, with the fake HID services.
class HidLink : public testing::Test
{
protected:
    void SetUp() override
    {
        fake.Reset();
        hid.Reset();
        hid.interfaces = {Kv58Interface(L"\\\\?\\hid#kv58")};
        ASSERT_EQ(session.Open(), 0u);
        hid.ClearRecords();
    }
    void TearDown() override
    {
        hid.ExpectAllReleasedAndNoMisuse();
        EXPECT_EQ(session.m_hHidDevice, INVALID_HANDLE_VALUE);
    }

    FakeUsbAudio& fake = FakeUsbAudio::Instance();
    FakeHid& hid = FakeHid::Instance();
    DeviceSession session{fake.api(), hid.api()};
};
} // namespace

// The system's services are loaded at their first use; each must reach the
// system's own function.
TEST(SystemHidServices, AnswerAsTheSystemDoes)
{
    const HidApi& system = SystemHidApi();
    GUID guid{};
    system.GetHidGuid(&guid);
    const GUID kHidClass{
        0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
    EXPECT_TRUE(::IsEqualGUID(guid, kHidClass));
    HDEVINFO list =
        system.GetClassDevs(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    ASSERT_NE(list, INVALID_HANDLE_VALUE);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    EXPECT_FALSE(system.EnumDeviceInterfaces(list, nullptr, &guid, 100000, &data));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    DWORD required = 0;
    EXPECT_FALSE(system.GetDeviceInterfaceDetail(list, &data, nullptr, 0, &required, nullptr));
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof attributes;
    EXPECT_FALSE(system.GetAttributes(INVALID_HANDLE_VALUE, &attributes));
    EXPECT_TRUE(system.DestroyDeviceInfoList(list));
}

TEST(HidRateReportBytes, CarryTheFlagsInByte24AndNothingElseChanges)
{
    const HidRateReport none = BuildHidRateReport(false, false);
    EXPECT_EQ(std::vector<uint8_t>(none.begin(), none.end()), ExpectedReport(0x20));
    EXPECT_EQ(BuildHidRateReport(true, false)[24], 0x21);
    EXPECT_EQ(BuildHidRateReport(false, true)[24], 0x22);
    EXPECT_EQ(BuildHidRateReport(true, true)[24], 0x23);
}

TEST_F(HidLink, EachMainRateWritesItsReportToTheKv58AndClosesTheLink)
{
    const struct
    {
        unsigned int rate;
        uint8_t flags;
    } cases[] = {{44100, 0x20}, {48000, 0x22}, {96000, 0x21}};
    for (const auto& c : cases)
    {
        SendRateReportFor(session, c.rate);
        ASSERT_EQ(hid.writes.size(), 1u) << c.rate;
        EXPECT_EQ(hid.writes[0].path, L"\\\\?\\hid#kv58");
        EXPECT_EQ(hid.writes[0].bytes, ExpectedReport(c.flags)) << c.rate;
        EXPECT_EQ(session.m_hHidDevice, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(hid.openFiles.empty());
        hid.writes.clear();
    }
    EXPECT_EQ(hid.listsCreated, 3) << "every report searches anew";
}

TEST_F(HidLink, OtherRatesSendNothingAndSearchNothing)
{
    for (unsigned int rate : {0u, 32000u, 44099u, 48001u, 88200u, 95999u, 192000u})
        SendRateReportFor(session, rate);
    EXPECT_TRUE(hid.calls.empty());
}

TEST_F(HidLink, WithoutAMatchingInterfaceTheSearchEndsWith6AndNothingIsWritten)
{
    hid.interfaces = {{kFirst, 0x152A, 0x0001}, {kSecond, 0x0001, 0x8758}};
    EXPECT_EQ(session.OpenHidDevice(0x152A, 0x8758), 6u);
    EXPECT_EQ(session.m_hHidDevice, INVALID_HANDLE_VALUE);
    EXPECT_EQ(hid.filesOpened, 2) << "both were opened to read their ids";

    hid.interfaces.clear();
    session.SendHidRateReport(false, true);
    EXPECT_TRUE(hid.writes.empty());
    EXPECT_EQ(hid.EnumeratedIndices(), (std::vector<unsigned long>{0, 1, 2, 0}));
    EXPECT_EQ(session.m_hHidDevice, INVALID_HANDLE_VALUE);
}

class HidLinkStepFailure : public HidLink, public testing::WithParamInterface<Step>
{
};

TEST_P(HidLinkStepFailure, SkipsToTheNextInterface)
{
    hid.interfaces = {Kv58Interface(kFirst, GetParam()), Kv58Interface(kSecond)};
    session.SendHidRateReport(true, false);
    ASSERT_EQ(hid.writes.size(), 1u);
    EXPECT_EQ(hid.writes[0].path, kSecond);
    EXPECT_EQ(hid.EnumeratedIndices(), (std::vector<unsigned long>{0, 1}));
}

INSTANTIATE_TEST_SUITE_P(EveryStep, HidLinkStepFailure,
                         testing::Values(Step::Enumerate, Step::DetailSize, Step::Detail,
                                         Step::Open, Step::Attributes));

TEST_F(HidLink, OnlyTheFirstOfTwoMatchingInterfacesGetsTheReport)
{
    hid.interfaces = {
        {L"\\\\?\\hid#other", 0x046D, 0xC52B}, Kv58Interface(kFirst), Kv58Interface(kSecond)};
    session.SendHidRateReport(false, false);
    ASSERT_EQ(hid.writes.size(), 1u);
    EXPECT_EQ(hid.writes[0].path, kFirst);
    EXPECT_EQ(std::count(hid.calls.begin(), hid.calls.end(), "CreateFile(\\\\?\\hid#second)"), 0);
}

TEST_F(HidLink, MatchesOnTheLow16BitsOfTheDriversIds)
{
    fake.vendorId = 0xFFFF152A;
    fake.productId = 0x00018758;
    ASSERT_EQ(session.Open(), 0u);
    session.SendHidRateReport(false, true);
    EXPECT_EQ(hid.writes.size(), 1u);
}

TEST_F(HidLink, WithoutAnInterfaceListTheSearchEndsAtOnce)
{
    hid.listUnavailable = true;
    EXPECT_EQ(session.OpenHidDevice(0x152A, 0x8758), 6u);
    session.SendHidRateReport(false, true);
    EXPECT_TRUE(hid.EnumeratedIndices().empty());
    EXPECT_TRUE(hid.writes.empty());
    EXPECT_EQ(hid.listsDestroyed, 0) << "there was nothing to free";
}

TEST_F(HidLink, AnEnumeratorThatNeverEndsIsGivenUpOn)
{
    hid.endless = true;
    hid.interfaces = {{kFirst, 1, 2}};
    EXPECT_EQ(session.OpenHidDevice(0x152A, 0x8758), 6u);
    const auto indices = hid.EnumeratedIndices();
    EXPECT_GT(indices.size(), 2u) << "a passing failure is skipped";
    EXPECT_LE(indices.size(), 4096u);
    EXPECT_EQ(hid.listsDestroyed, 1);
}

TEST_F(HidLink, AnOpenLinkIsUsedWithoutSearchingThenClosed)
{
    ASSERT_EQ(session.OpenHidDevice(0x152A, 0x8758), 0u);
    EXPECT_NE(session.m_hHidDevice, INVALID_HANDLE_VALUE);
    EXPECT_EQ(hid.listsDestroyed, 1) << "the list is freed on success too";
    session.SendHidRateReport(true, false);
    EXPECT_EQ(hid.listsCreated, 1);
    EXPECT_EQ(hid.writes.size(), 1u);
    EXPECT_EQ(session.m_hHidDevice, INVALID_HANDLE_VALUE);
}
