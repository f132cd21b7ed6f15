#include "HidApi.h"

const HidApi& SystemHidApi()
{
    static const HidApi api{
        &::HidD_GetHidGuid,
        &::SetupDiGetClassDevsW,
        &::SetupDiEnumDeviceInterfaces,
        &::SetupDiGetDeviceInterfaceDetailW,
        &::SetupDiDestroyDeviceInfoList,
        &::CreateFileW,
        &::HidD_GetAttributes,
        &::WriteFile,
        &::CloseHandle,
    };
    return api;
}
