#include "DeviceSession.h"
#include "../device/HidRateReport.h"
#include <cstddef>
#include <utility>
#include <vector>

namespace
{
constexpr UsbAudioStatus kHidNotFound = 6;
// Bounds for an enumerator that never says it has no more items: a real
// system lists far fewer HID interfaces than this.
constexpr DWORD kMaxInterfaces = 4096;
constexpr DWORD kMaxConsecutiveEnumFailures = 64;
// An interface path is a short string; a larger detail record is nonsense.
constexpr DWORD kMaxDetailSize = 64 * 1024;

class HidFile
{
public:
    HidFile(const HidApi& api, HANDLE handle) : m_api(api), m_handle(handle) {}
    ~HidFile()
    {
        if (IsValid())
            m_api.CloseHandle(m_handle);
    }
    HidFile(const HidFile&) = delete;
    HidFile& operator=(const HidFile&) = delete;

    bool IsValid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    HANDLE Get() const { return m_handle; }
    HANDLE Release() { return std::exchange(m_handle, INVALID_HANDLE_VALUE); }

private:
    const HidApi& m_api;
    HANDLE m_handle;
};

class DeviceInfoList
{
public:
    DeviceInfoList(const HidApi& api, HDEVINFO list) : m_api(api), m_list(list) {}
    ~DeviceInfoList()
    {
        if (IsValid())
            m_api.DestroyDeviceInfoList(m_list);
    }
    DeviceInfoList(const DeviceInfoList&) = delete;
    DeviceInfoList& operator=(const DeviceInfoList&) = delete;

    bool IsValid() const { return m_list != INVALID_HANDLE_VALUE && m_list != nullptr; }
    HDEVINFO Get() const { return m_list; }

private:
    const HidApi& m_api;
    HDEVINFO m_list;
};

// The path of one interface; empty when it cannot be read.
std::wstring InterfacePath(const HidApi& api, HDEVINFO list, SP_DEVICE_INTERFACE_DATA& item)
{
    DWORD size = 0;
    if (!api.GetDeviceInterfaceDetail(list, &item, nullptr, 0, &size, nullptr) &&
        ::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return {};
    if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) || size > kMaxDetailSize)
        return {};
    // Room for one more character keeps the path terminated whatever the service writes.
    const std::size_t words = (size + sizeof(wchar_t)) / sizeof(DWORD) + 1;
    std::vector<DWORD> record(words, 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(record.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!api.GetDeviceInterfaceDetail(list, &item, detail, size, nullptr, nullptr))
        return {};
    return detail->DevicePath;
}
} // namespace

UsbAudioStatus DeviceSession::SendHidRateReport(bool firstFlag, bool secondFlag)
{
    if (m_hHidDevice == INVALID_HANDLE_VALUE)
        OpenHidDevice(static_cast<uint16_t>(m_deviceProperties.usbVendorId),
                      static_cast<uint16_t>(m_deviceProperties.usbProductId));
    // The link is held only for this one report.
    HidFile link(m_hid, std::exchange(m_hHidDevice, INVALID_HANDLE_VALUE));
    if (link.IsValid())
    {
        const HidRateReport report = BuildHidRateReport(firstFlag, secondFlag);
        DWORD written = 0;
        // The report is a courtesy to the device: a failed write changes nothing for the user.
        m_hid.WriteFile(link.Get(), report.data(), static_cast<DWORD>(report.size()), &written,
                        nullptr);
    }
    return 0;
}

UsbAudioStatus DeviceSession::OpenHidDevice(uint16_t vendorId, uint16_t productId)
{
    GUID hidClass{};
    m_hid.GetHidGuid(&hidClass);
    DeviceInfoList list(m_hid, m_hid.GetClassDevs(&hidClass, nullptr, nullptr,
                                                  DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!list.IsValid())
        return kHidNotFound;

    DWORD consecutiveEnumFailures = 0;
    for (DWORD index = 0; index < kMaxInterfaces; ++index)
    {
        SP_DEVICE_INTERFACE_DATA item{};
        item.cbSize = sizeof item;
        if (!m_hid.EnumDeviceInterfaces(list.Get(), nullptr, &hidClass, index, &item))
        {
            if (::GetLastError() == ERROR_NO_MORE_ITEMS ||
                ++consecutiveEnumFailures >= kMaxConsecutiveEnumFailures)
                return kHidNotFound;
            continue;
        }
        consecutiveEnumFailures = 0;

        const std::wstring path = InterfacePath(m_hid, list.Get(), item);
        if (path.empty())
            continue;
        HidFile file(m_hid, m_hid.CreateFile(path.c_str(), GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
        if (!file.IsValid())
            continue;
        HIDD_ATTRIBUTES attributes{};
        attributes.Size = sizeof attributes;
        if (!m_hid.GetAttributes(file.Get(), &attributes))
            continue;
        if (attributes.VendorID == vendorId && attributes.ProductID == productId)
        {
            m_hHidDevice = file.Release();
            return 0;
        }
    }
    return kHidNotFound;
}
