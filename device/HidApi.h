#pragma once
#include <windows.h>
#include <setupapi.h>
// MinGW's header lacks C linkage for C++.
extern "C" {
#include <hidsdi.h>
}

// The system's HID and device set-up services the rate report needs, as a
// table of functions so that tests can stand in for them.
struct HidApi
{
    void(WINAPI* GetHidGuid)(LPGUID);
    HDEVINFO(WINAPI* GetClassDevs)(const GUID*, PCWSTR, HWND, DWORD);
    BOOL(WINAPI* EnumDeviceInterfaces)(HDEVINFO, PSP_DEVINFO_DATA, const GUID*, DWORD,
                                       PSP_DEVICE_INTERFACE_DATA);
    BOOL(WINAPI* GetDeviceInterfaceDetail)(HDEVINFO, PSP_DEVICE_INTERFACE_DATA,
                                           PSP_DEVICE_INTERFACE_DETAIL_DATA_W, DWORD, PDWORD,
                                           PSP_DEVINFO_DATA);
    BOOL(WINAPI* DestroyDeviceInfoList)(HDEVINFO);
    HANDLE(WINAPI* CreateFile)(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
    BOOLEAN(WINAPI* GetAttributes)(HANDLE, PHIDD_ATTRIBUTES);
    BOOL(WINAPI* WriteFile)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
    BOOL(WINAPI* CloseHandle)(HANDLE);
};

// The real services of the running system.
const HidApi& SystemHidApi();
