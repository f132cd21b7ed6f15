#include "HostileDriver.h"
#include <algorithm>
#include <cstdio>
#include <tuple>

namespace
{
constexpr uint8_t kSelectorUnit = 11;
constexpr uint8_t kInputUnit = 14;
constexpr unsigned int kDriverRecords = 7;
constexpr unsigned int kRateRoom = 16;
constexpr size_t kRememberedAsioSizes = 4;

std::string FunctionOf(const std::string& call)
{
    return call.substr(0, call.find('('));
}

// The parts of a logged control request ("Get(14,0x81,2,1,len=2,timeout=500)").
struct Request
{
    bool set = false;
    unsigned int entity = 0, request = 0, selector = 0, channel = 0, length = 0, timeout = 0;
    std::string data;
    bool parsed = false;
};

Request Parse(const std::string& call)
{
    Request r;
    r.set = call.rfind("Set(", 0) == 0;
    char data[64] = "";
    int end = 0;
    if (r.set)
        r.parsed =
            std::sscanf(call.c_str(), "Set(%u,0x%x,%u,%u,len=%u,data=%60[0-9a-fnul],timeout=%u)%n",
                        &r.entity, &r.request, &r.selector, &r.channel, &r.length, data, &r.timeout,
                        &end) == 7;
    else
        r.parsed =
            std::sscanf(call.c_str(), "Get(%u,0x%x,%u,%u,len=%u,timeout=%u)%n", &r.entity,
                        &r.request, &r.selector, &r.channel, &r.length, &r.timeout, &end) == 6;
    // Anything after the closing parenthesis (a transfer count) is not ours.
    r.parsed = r.parsed && static_cast<size_t>(end) == call.size();
    r.data = data;
    return r;
}
} // namespace

HostileDriver::HostileDriver(FakeUsbAudio& fake, FuzzRandom& random)
    : m_fake(fake), m_random(random), m_readRandom(random.Next()), m_longText(70000, L'x')
{
    // Odd characters a driver might hand over: format specifiers, a
    // surrogate half, a byte-order mark.
    m_longText.replace(100, 5, L"%s%n\xD800\xFEFF");
    m_fake.script = [this](const std::string& call) { return Answer(call); };
}

HostileDriver::~HostileDriver()
{
    m_fake.script = nullptr;
    m_fake.statusText.reset();
}

void HostileDriver::NewStep()
{
    switch (m_random.Below(3))
    {
    case 0:
        m_fake.statusText = nullptr;
        break;
    case 1:
        m_fake.statusText = m_longText.c_str();
        break;
    default:
        m_fake.statusText.reset();
        break;
    }
}

std::vector<std::string> HostileDriver::TakeFaults()
{
    std::vector<std::string> taken;
    taken.swap(m_faults);
    return taken;
}

bool HostileDriver::ReportedAsioSize(unsigned int size) const
{
    return std::find(m_asioSizes.begin(), m_asioSizes.end(), size) != m_asioSizes.end();
}

UsbAudioStatus HostileDriver::Status()
{
    if (m_calm || m_random.Percent(80))
        return 0;
    return m_random.Pick<UsbAudioStatus>({kStatusSoundDeviceInUse, kStatusAsioInUse,
                                          kStatusNoDevice, 0xE0000001, 0x80000000, 0xFFFFFFFF, 1,
                                          31});
}

unsigned int HostileDriver::Rate()
{
    if (m_random.Percent(10))
        return static_cast<unsigned int>(m_random.Next());
    return m_random.Pick<unsigned int>({0, 1, 8000, 44099, 44100, 48000, 48000, 88200, 96000, 96000,
                                        96001, 176400, 192000, 0x80000000, 0x80000001, 0xFFFFFFFF});
}

int16_t HostileDriver::Volume()
{
    if (m_random.Percent(40))
        return static_cast<int16_t>(m_random.Between(-24576, 0));
    if (m_random.Percent(30))
        return static_cast<int16_t>(m_random.Next());
    return m_random.Pick<int16_t>({-32768, 32767, 0, -1, 1, 255, 256, -22528, -22529, 1536});
}

std::vector<ChannelRecord> HostileDriver::Records()
{
    std::vector<ChannelRecord> records(m_random.Pick<size_t>({0, 1, 2, 2, 2, 3, 7, 9}));
    for (ChannelRecord& record : records)
    {
        // Garbage everywhere, the name without a terminator included.
        auto* bytes = reinterpret_cast<uint8_t*>(&record);
        for (size_t i = 0; i < sizeof record; ++i)
            bytes[i] = static_cast<uint8_t>(m_random.Next());
        if (m_random.Percent(70))
        {
            record.featureUnitId = m_random.Pick<uint8_t>({0, 14, 15, 15, 255});
            record.channelNumber = m_random.Pick<uint8_t>({0, 1, 2, 2, 255});
            record.controlFlags = m_random.Pick<uint32_t>({0, 1, 1, 2, 3, 0xFFFFFFFF});
            record.volumeMin = m_random.Pick<int16_t>({-32768, -24576, -100, 0, 5, 32767});
            record.volumeMax = m_random.Pick<int16_t>({-32768, -24576, -100, 0, 5, 32767});
            record.volumeResolution = m_random.Pick<uint16_t>({0, 1, 128, 65535});
        }
    }
    return records;
}

std::optional<UsbAudioStatus> HostileDriver::Answer(const std::string& call)
{
    const std::string function = FunctionOf(call);
    const bool hostile = !m_calm;
    if (function == "ReadDeviceNotification")
    {
        // Mostly read, so that bursts drain. A failed read loses the rest,
        // so that a late wake of the worker finds nothing whenever it comes.
        const bool fails = hostile && !m_fake.notifications.empty() && m_readRandom.Percent(3);
        if (fails)
            m_fake.notifications.clear();
        m_drainEnded = m_drainEnded || m_fake.notifications.empty();
        return fails ? std::optional<UsbAudioStatus>(0xE0000001) : std::nullopt;
    }
    UsbAudioStatus status = Status();
    if (function == "GetDeviceCount")
    {
        if (hostile)
            m_fake.deviceCount =
                m_random.Percent(70) ? 1 : m_random.Pick<unsigned int>({0, 2, 0xFFFFFFFF});
    }
    else if (function == "RegisterDeviceNotification")
    {
        // A refused registration leaves the driver without the panel's event.
        if (status != 0)
            m_fake.notificationEvent = nullptr;
    }
    else if (function == "GetDeviceProperties")
    {
        if (hostile)
            m_fake.vendorId = static_cast<uint32_t>(m_random.Next());
    }
    else if (function == "GetSupportedSampleRates")
    {
        if (hostile)
        {
            m_fake.supportedRates.resize(m_random.Pick<size_t>({0, 1, 4, 4, 8, 16, 17, 40}));
            for (unsigned int& rate : m_fake.supportedRates)
                rate = Rate();
            m_fake.claimedRateCount =
                m_random.Pick<unsigned int>({0, 0, 0, 1, 16, 17, 1000, 0xFFFFFFFF});
        }
        if (status == 0)
        {
            const size_t written = std::min<size_t>(m_fake.supportedRates.size(), kRateRoom);
            const size_t claimed = m_fake.claimedRateCount ? m_fake.claimedRateCount : written;
            m_listedRates.clear();
            for (size_t i = 0; i < std::min(written, claimed); ++i)
                m_listedRates.insert(m_fake.supportedRates[i]);
        }
    }
    else if (function == "GetCurrentSampleRate")
    {
        if (hostile)
            m_fake.currentRate = Rate();
    }
    else if (function == "GetUsbStreamingMode")
    {
        if (hostile)
            m_fake.streamingMode =
                m_random.Pick<unsigned int>({1, 2, 4, 8, 16, 32, 0, 3, 64, 0xFFFFFFFF});
    }
    else if (function == "GetASIOBufferSize")
    {
        if (hostile)
            m_fake.asioBufferSize =
                m_random.Percent(20)
                    ? static_cast<unsigned int>(m_random.Next())
                    : m_random.Pick<unsigned int>(
                          {64, 512, 8192, 0, 1, 96, 99, 100, 999, 1000, 9000, 100000, 0xFFFFFFFF});
        if (status == 0)
        {
            m_asioSizes.push_back(m_fake.asioBufferSize);
            if (m_asioSizes.size() > kRememberedAsioSizes)
                m_asioSizes.pop_front();
        }
    }
    else if (function == "GetMinimumASIOBufferSize")
    {
        if (hostile)
            m_fake.minimumAsioBufferSize =
                m_random.Pick<unsigned int>({0, 64, 128, 8192, 0xFFFFFFFF});
    }
    else if (function == "GetChannelProperties")
    {
        const bool input = call.rfind("GetChannelProperties(1,", 0) == 0;
        if (hostile)
        {
            (input ? m_fake.inputChannels : m_fake.outputChannels) = Records();
            m_fake.claimedChannelCount =
                m_random.Pick<unsigned int>({0, 0, 0, 1, 7, 8, 0xFFFFFFFF});
            m_fake.fillBeforeFailing = m_random.Percent(50);
        }
        AnswerChannels(input, status);
    }
    else if (function == "Get" || function == "Set")
    {
        CheckRequest(call);
        if (function == "Get" && hostile)
            FillControl(call);
    }
    return status == 0 ? std::nullopt : std::optional<UsbAudioStatus>(status);
}

void HostileDriver::AnswerChannels(bool input, UsbAudioStatus status)
{
    Group& group = input ? m_input : m_output;
    group = Group{};
    if (status != 0)
        return;
    if (input)
    {
        // The panel knows its input pair whatever the driver says.
        group = {{kInputUnit, 1}, {kInputUnit, 2}, kInputUnit};
        return;
    }
    const auto& records = m_fake.outputChannels;
    const size_t written = std::min<size_t>(records.size(), kDriverRecords);
    if (written >= 1)
        group.left = {records[0].featureUnitId, records[0].channelNumber};
    if (written >= 2)
        group.right = {records[1].featureUnitId, records[1].channelNumber};
    group.masterUnit = group.left.unit;
}

void HostileDriver::CheckRequest(const std::string& call)
{
    ++m_requestsChecked;
    const Request r = Parse(call);
    const auto volumeOf = [&](const Address& a)
    { return r.entity == a.unit && r.channel == a.channel; };
    bool valid = r.parsed && r.request == (r.set ? 0x01u : 0x81u) && r.timeout == 500;
    if (valid)
    {
        if (r.entity == kSelectorUnit && r.selector == 0)
            valid = r.channel == 0 && r.length == 1 && (!r.set || r.data == "01" || r.data == "02");
        else if (r.selector == 2)
            // Unit 0, channel 0: the address of a group the driver did not describe.
            valid = r.length == 2 &&
                    (volumeOf(m_input.left) || volumeOf(m_input.right) || volumeOf(m_output.left) ||
                     volumeOf(m_output.right) || volumeOf({0, 0}));
        else if (r.selector == 1)
            valid = r.channel == 0 && r.length == 1 &&
                    (r.entity == m_input.masterUnit || r.entity == m_output.masterUnit ||
                     r.entity == 0) &&
                    (!r.set || r.data == "00" || r.data == "01");
        else
            valid = false;
    }
    if (!valid)
        m_faults.push_back(call);
}

void HostileDriver::FillControl(const std::string& call)
{
    const Request r = Parse(call);
    const auto key =
        std::make_tuple(static_cast<uint8_t>(r.entity), static_cast<uint8_t>(r.selector),
                        static_cast<uint8_t>(r.channel));
    if (m_random.Percent(5))
    {
        m_fake.controls.erase(key); // no such control
        return;
    }
    std::vector<uint8_t> value;
    if (r.selector == 2)
    {
        const auto bits = static_cast<uint16_t>(Volume());
        value = {static_cast<uint8_t>(bits & 0xFF), static_cast<uint8_t>(bits >> 8)};
        if (m_random.Percent(5))
            value.pop_back(); // a short answer
    }
    else
    {
        value = {m_random.Pick<uint8_t>({0, 1, 2, 3, 0x80, 0xFF})};
    }
    m_fake.controls[key] = value;
}
