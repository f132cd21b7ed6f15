#pragma once
// The USB audio driver's user-mode interface, as this program calls it.
#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#ifndef TUSBAUDIO_API
#define TUSBAUDIO_API __declspec(dllimport)
#endif

typedef void* UsbAudioDeviceHandle; /* null = no device */
typedef unsigned int UsbAudioStatus; /* 0 = success */

TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_EnumerateDevices(void);
TUSBAUDIO_API unsigned int WINAPI TUSBAUDIO_GetDeviceCount(void);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_OpenDeviceByIndex(unsigned int deviceIndex,
                                                                UsbAudioDeviceHandle* device);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_CloseDevice(UsbAudioDeviceHandle device);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_GetDeviceProperties(UsbAudioDeviceHandle device,
                                                                  void* properties /* 1040 bytes */);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_RegisterPnpNotification(HANDLE arrivalEvent,
                                                                      HANDLE removalEvent,
                                                                      HWND window, UINT message,
                                                                      unsigned int flags);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_RegisterDeviceNotification(
    UsbAudioDeviceHandle device, unsigned int categoryMask, HANDLE event, unsigned int flags);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_ReadDeviceNotification(
    UsbAudioDeviceHandle device, unsigned int* type, unsigned char* data, unsigned int dataSize,
    unsigned int* bytesReturned);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_GetSupportedSampleRates(UsbAudioDeviceHandle device,
                                                                      unsigned int maxCount,
                                                                      unsigned int* rates,
                                                                      unsigned int* count);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_GetCurrentSampleRate(UsbAudioDeviceHandle device,
                                                                   unsigned int* rate);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_SetSampleRate(UsbAudioDeviceHandle device,
                                                            unsigned int rate);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_GetUsbStreamingMode(unsigned int* mode);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_SetUsbStreamingMode(unsigned int mode);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_GetASIOBufferSize(unsigned int* samples);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_SetASIOBufferSize(unsigned int samples);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_GetMinimumASIOBufferSize(unsigned int rate,
                                                                       unsigned int* samples);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_GetChannelProperties(
    UsbAudioDeviceHandle device, unsigned int inputGroup, unsigned int maxCount,
    void* records /* maxCount x 340 bytes */, unsigned int* count);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_AudioControlRequestGet(
    UsbAudioDeviceHandle device, unsigned char entity, unsigned char request,
    unsigned char selector, unsigned char channel, void* data, unsigned int length,
    unsigned int* transferred, unsigned int timeoutMs);
TUSBAUDIO_API UsbAudioStatus WINAPI TUSBAUDIO_AudioControlRequestSet(
    UsbAudioDeviceHandle device, unsigned char entity, unsigned char request,
    unsigned char selector, unsigned char channel, void* data, unsigned int length,
    unsigned int* transferred, unsigned int timeoutMs);
TUSBAUDIO_API const wchar_t* WINAPI TUSBAUDIO_StatusCodeStringW(UsbAudioStatus status);

#ifdef __cplusplus
}
#endif
