#include "HidApi.h"
#include "SystemLibrary.h"

namespace
{
// hid.dll and setupapi.dll are loaded at the first call, on the device
// thread when it opens a device, not at the program's start.
const CSystemLibrary& Hid()
{
    static const CSystemLibrary library(L"hid.dll");
    return library;
}

const CSystemLibrary& SetupApi()
{
    static const CSystemLibrary library(L"setupapi.dll");
    return library;
}

// Where a library is missing, each call fails as with no HID device.
void WINAPI GetHidGuid(LPGUID guid)
{
    static const auto call = Hid().Get<decltype(&::HidD_GetHidGuid)>("HidD_GetHidGuid");
    if (call)
        call(guid);
    else
        *guid = GUID{};
}

BOOLEAN WINAPI GetAttributes(HANDLE device, PHIDD_ATTRIBUTES attributes)
{
    static const auto call = Hid().Get<decltype(&::HidD_GetAttributes)>("HidD_GetAttributes");
    return call ? call(device, attributes) : FALSE;
}

HDEVINFO WINAPI GetClassDevs(const GUID* guid, PCWSTR enumerator, HWND parent, DWORD flags)
{
    static const auto call =
        SetupApi().Get<decltype(&::SetupDiGetClassDevsW)>("SetupDiGetClassDevsW");
    return call ? call(guid, enumerator, parent, flags) : INVALID_HANDLE_VALUE;
}

BOOL WINAPI EnumDeviceInterfaces(HDEVINFO set, PSP_DEVINFO_DATA device, const GUID* guid,
                                 DWORD index, PSP_DEVICE_INTERFACE_DATA data)
{
    static const auto call =
        SetupApi().Get<decltype(&::SetupDiEnumDeviceInterfaces)>("SetupDiEnumDeviceInterfaces");
    return call ? call(set, device, guid, index, data) : FALSE;
}

BOOL WINAPI GetDeviceInterfaceDetail(HDEVINFO set, PSP_DEVICE_INTERFACE_DATA data,
                                     PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size,
                                     PDWORD required, PSP_DEVINFO_DATA device)
{
    static const auto call = SetupApi().Get<decltype(&::SetupDiGetDeviceInterfaceDetailW)>(
        "SetupDiGetDeviceInterfaceDetailW");
    return call ? call(set, data, detail, size, required, device) : FALSE;
}

BOOL WINAPI DestroyDeviceInfoList(HDEVINFO set)
{
    static const auto call =
        SetupApi().Get<decltype(&::SetupDiDestroyDeviceInfoList)>("SetupDiDestroyDeviceInfoList");
    return call ? call(set) : FALSE;
}
} // namespace

const HidApi& SystemHidApi()
{
    static const HidApi api{
        &GetHidGuid,
        &GetClassDevs,
        &EnumDeviceInterfaces,
        &GetDeviceInterfaceDetail,
        &DestroyDeviceInfoList,
        &::CreateFileW,
        &GetAttributes,
        &::WriteFile,
        &::CloseHandle,
    };
    return api;
}
