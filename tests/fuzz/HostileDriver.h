#pragma once
#include <atomic>
#include "FuzzRandom.h"
#include "tests/support/FakeUsbAudio.h"
#include <deque>
#include <set>
#include <string>
#include <vector>

// Plays a misbehaving driver on the fake: every call may fail with any
// status, and every value read comes out of range, reversed, oversized or
// odd. It also checks each control request the panel sends against the
// channels it described.
class HostileDriver
{
public:
    HostileDriver(FakeUsbAudio& fake, FuzzRandom& random);
    ~HostileDriver();
    HostileDriver(const HostileDriver&) = delete;
    HostileDriver& operator=(const HostileDriver&) = delete;

    // Picks this step's status texts (null, long or plain).
    void NewStep();
    // While calm, every call succeeds with the fake's plain state.
    void SetCalm(bool calm) { m_calm = calm; }

    // Whether the panel, since the last call, stopped reading notifications:
    // a read failed or found the queue empty.
    bool DrainEnded() const { return m_drainEnded; }
    void ExpectDrain() { m_drainEnded = false; }

    // Requests that named no control the driver described, since the last take.
    std::vector<std::string> TakeFaults();
    // Control requests checked so far.
    unsigned RequestsChecked() const { return m_requestsChecked; }
    // Rates of the last rate list the driver gave.
    const std::set<unsigned int>& ListedRates() const { return m_listedRates; }
    // Whether the driver lately reported this ASIO buffer size.
    bool ReportedAsioSize(unsigned int size) const;

private:
    struct Address
    {
        uint8_t unit;
        uint8_t channel;
    };
    // What the panel may address in one direction.
    struct Group
    {
        Address left{};
        Address right{};
        uint8_t masterUnit = 0;
    };

    std::optional<UsbAudioStatus> Answer(const std::string& call);
    UsbAudioStatus Status();
    unsigned int Rate();
    int16_t Volume();
    std::vector<ChannelRecord> Records();
    void AnswerChannels(bool input, UsbAudioStatus status);
    void CheckRequest(const std::string& call);
    void FillControl(const std::string& call);

    FakeUsbAudio& m_fake;
    FuzzRandom& m_random;
    // Reads of notifications draw from their own stream, and only while any
    // are queued: how the worker's wakes fall must not change the run.
    FuzzRandom m_readRandom;
    // Set on the device thread, read on the test's.
    std::atomic<bool> m_drainEnded = true;
    bool m_calm = false;
    std::wstring m_longText;
    Group m_input;
    Group m_output;
    std::set<unsigned int> m_listedRates;
    std::deque<unsigned int> m_asioSizes;
    std::vector<std::string> m_faults;
    unsigned m_requestsChecked = 0;
};
