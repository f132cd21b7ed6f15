#pragma once
#include <objbase.h>

// COM on this thread for as long as the object lives: the accessible
// objects are handed to other processes through it.
class CComApartment
{
public:
    CComApartment() : m_result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~CComApartment()
    {
        if (SUCCEEDED(m_result))
            ::CoUninitialize();
    }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;

private:
    HRESULT m_result;
};
