#pragma once
#include "device/HidApi.h"
#include <cstdint>
#include <set>
#include <string>
#include <vector>

// A stand-in for the system's HID and device set-up services: a list of
// interfaces, each of which can be made to fail at one step of the search.
// The services are plain functions, so the fake is one instance.
class FakeHid
{
public:
    enum class Step
    {
        None,
        Enumerate,  // SetupDiEnumDeviceInterfaces fails for the index
        DetailSize, // the size query fails with something other than a short buffer
        Detail,     // reading the path fails
        Open,       // CreateFile fails
        Attributes, // HidD_GetAttributes fails
    };

    struct Interface
    {
        std::wstring path;
        uint16_t vendorId;
        uint16_t productId;
        Step failAt = Step::None;
    };

    struct Write
    {
        std::wstring path;
        std::vector<uint8_t> bytes;
    };

    static FakeHid& Instance();
    void Reset();
    // Forgets what was done, keeps the interfaces.
    void ClearRecords();
    const HidApi& api() const;

    std::vector<Interface> interfaces;
    // GetClassDevs answers INVALID_HANDLE_VALUE.
    bool listUnavailable = false;
    // Past the last interface the enumerator fails with a reason other than
    // "no more items", for ever.
    bool endless = false;

    // What the code under test did.
    std::vector<std::string> calls;
    std::vector<Write> writes;
    int listsCreated = 0;
    int listsDestroyed = 0;
    int filesOpened = 0;
    std::set<HANDLE> openFiles;
    std::vector<std::string> misuse; // arguments the real services would reject

    // Indices handed to SetupDiEnumDeviceInterfaces, in call order.
    std::vector<unsigned long> EnumeratedIndices() const;
    // Fails the running test for every list or handle left and every misuse.
    void ExpectAllReleasedAndNoMisuse() const;

private:
    FakeHid() = default;
};

// Interface with the KV58's ids.
FakeHid::Interface Kv58Interface(const std::wstring& path,
                                 FakeHid::Step failAt = FakeHid::Step::None);
