#include "FakeHid.h"
#include "tests/support/FakeUsbAudio.h"
#include <gtest/gtest.h>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace
{
// {4D1E55B2-F16F-11CF-88CB-001111000030}, the HID interface class.
constexpr GUID kHidClass{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
const HDEVINFO kList = reinterpret_cast<HDEVINFO>(0x4000);
constexpr uintptr_t kFirstFile = 0x7000;

FakeHid& H()
{
    return FakeHid::Instance();
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

bool SameGuid(const GUID* a)
{
    return a && std::memcmp(a, &kHidClass, sizeof kHidClass) == 0;
}

const FakeHid::Interface* ByIndex(ULONG_PTR reserved)
{
    if (reserved == 0 || reserved > H().interfaces.size())
        return nullptr;
    return &H().interfaces[reserved - 1];
}

const FakeHid::Interface* ByFile(HANDLE file)
{
    if (!H().openFiles.count(file))
        return nullptr;
    const auto index = reinterpret_cast<uintptr_t>(file) - kFirstFile;
    return index < H().interfaces.size() ? &H().interfaces[index] : nullptr;
}

void WINAPI GetHidGuid(LPGUID guid)
{
    *guid = kHidClass;
}

HDEVINFO WINAPI GetClassDevs(const GUID* guid, PCWSTR enumerator, HWND, DWORD flags)
{
    H().calls.push_back("GetClassDevs");
    if (!SameGuid(guid) || enumerator || flags != (DIGCF_PRESENT | DIGCF_DEVICEINTERFACE))
        H().misuse.push_back("GetClassDevs arguments");
    if (H().listUnavailable)
    {
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    ++H().listsCreated;
    return kList;
}

BOOL WINAPI EnumDeviceInterfaces(HDEVINFO list, PSP_DEVINFO_DATA, const GUID* guid, DWORD index,
                                 PSP_DEVICE_INTERFACE_DATA item)
{
    H().calls.push_back("Enum(" + std::to_string(index) + ")");
    if (list != kList || !SameGuid(guid) || !item || item->cbSize != sizeof *item)
    {
        H().misuse.push_back("Enum arguments");
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (index >= H().interfaces.size())
    {
        ::SetLastError(H().endless ? ERROR_GEN_FAILURE : ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    if (H().interfaces[index].failAt == FakeHid::Step::Enumerate)
    {
        ::SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    item->InterfaceClassGuid = kHidClass;
    item->Flags = SPINT_ACTIVE;
    item->Reserved = index + 1;
    return TRUE;
}

BOOL WINAPI GetDeviceInterfaceDetail(HDEVINFO list, PSP_DEVICE_INTERFACE_DATA item,
                                     PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size,
                                     PDWORD required, PSP_DEVINFO_DATA)
{
    const FakeHid::Interface* found = item ? ByIndex(item->Reserved) : nullptr;
    if (list != kList || !found)
    {
        H().misuse.push_back("Detail arguments");
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD needed =
        static_cast<DWORD>(offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) +
                           (found->path.size() + 1) * sizeof(wchar_t));
    if (!detail)
    {
        H().calls.push_back("DetailSize");
        if (found->failAt == FakeHid::Step::DetailSize)
        {
            ::SetLastError(ERROR_INVALID_USER_BUFFER);
            return FALSE;
        }
        if (required)
            *required = needed;
        ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    H().calls.push_back("Detail");
    if (detail->cbSize != sizeof *detail || size < needed)
    {
        H().misuse.push_back("Detail record");
        ::SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    if (found->failAt == FakeHid::Step::Detail)
    {
        ::SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    std::memcpy(detail->DevicePath, found->path.c_str(),
                (found->path.size() + 1) * sizeof(wchar_t));
    return TRUE;
}

BOOL WINAPI DestroyDeviceInfoList(HDEVINFO list)
{
    H().calls.push_back("DestroyList");
    if (list != kList)
    {
        H().misuse.push_back("DestroyList of an unknown list");
        return FALSE;
    }
    ++H().listsDestroyed;
    return TRUE;
}

HANDLE WINAPI CreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                         DWORD disposition, DWORD attributes, HANDLE templateFile)
{
    H().calls.push_back("CreateFile(" + Narrow(path) + ")");
    if (access != GENERIC_WRITE || share != (FILE_SHARE_READ | FILE_SHARE_WRITE) || security ||
        disposition != OPEN_EXISTING || attributes != 0 || templateFile)
        H().misuse.push_back("CreateFile arguments");
    for (size_t i = 0; i < H().interfaces.size(); ++i)
    {
        if (H().interfaces[i].path != path)
            continue;
        if (H().interfaces[i].failAt == FakeHid::Step::Open)
            break;
        HANDLE file = reinterpret_cast<HANDLE>(kFirstFile + i);
        if (H().openFiles.count(file))
            H().misuse.push_back("CreateFile of an open interface");
        H().openFiles.insert(file);
        ++H().filesOpened;
        return file;
    }
    ::SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
}

BOOLEAN WINAPI GetAttributes(HANDLE file, PHIDD_ATTRIBUTES attributes)
{
    H().calls.push_back("GetAttributes");
    const FakeHid::Interface* found = ByFile(file);
    if (!found || attributes->Size != sizeof *attributes)
    {
        H().misuse.push_back("GetAttributes arguments");
        return FALSE;
    }
    if (found->failAt == FakeHid::Step::Attributes)
        return FALSE;
    attributes->VendorID = found->vendorId;
    attributes->ProductID = found->productId;
    attributes->VersionNumber = 0x0100;
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written,
                      LPOVERLAPPED overlapped)
{
    const FakeHid::Interface* found = ByFile(file);
    if (!found || overlapped)
    {
        H().calls.push_back("WriteFile(bad handle)");
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    H().writes.push_back({found->path, std::vector<uint8_t>(bytes, bytes + size)});
    char text[64];
    std::snprintf(text, sizeof text, "HidReport(0x%02x)", size > 24 ? bytes[24] : 0);
    H().calls.push_back(text);
    // In the driver's log too, so that tests see the report among the driver calls.
    FakeUsbAudio::Instance().Log(text);
    if (written)
        *written = size;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE file)
{
    if (!H().openFiles.erase(file))
    {
        H().misuse.push_back("CloseHandle of a handle not open");
        ::SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    H().calls.push_back("CloseHandle");
    return TRUE;
}

const HidApi kFakeHidApi{
    &GetHidGuid,
    &GetClassDevs,
    &EnumDeviceInterfaces,
    &GetDeviceInterfaceDetail,
    &DestroyDeviceInfoList,
    &CreateFile,
    &GetAttributes,
    &WriteFile,
    &CloseHandle,
};
} // namespace

FakeHid& FakeHid::Instance()
{
    static FakeHid instance;
    return instance;
}

void FakeHid::Reset()
{
    *this = FakeHid();
}

void FakeHid::ClearRecords()
{
    calls.clear();
    writes.clear();
    listsCreated = 0;
    listsDestroyed = 0;
    filesOpened = 0;
}

const HidApi& FakeHid::api() const
{
    return kFakeHidApi;
}

std::vector<unsigned long> FakeHid::EnumeratedIndices() const
{
    std::vector<unsigned long> indices;
    for (const std::string& call : calls)
        if (call.rfind("Enum(", 0) == 0)
            indices.push_back(std::stoul(call.substr(5)));
    return indices;
}

FakeHid::Interface Kv58Interface(const std::wstring& path, FakeHid::Step failAt)
{
    return {path, 0x152A, 0x8758, failAt};
}

void FakeHid::ExpectAllReleasedAndNoMisuse() const
{
    EXPECT_EQ(listsCreated, listsDestroyed) << "a device list was not freed";
    EXPECT_TRUE(openFiles.empty()) << "a HID handle was left open";
    EXPECT_TRUE(misuse.empty()) << misuse.front();
}
