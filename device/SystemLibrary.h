#pragma once
#include <windows.h>

// A library of the system folder, loaded when this is made rather than with
// the program: one the start does not need costs it nothing.
class CSystemLibrary
{
public:
    explicit CSystemLibrary(const wchar_t* name)
        : m_module(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
    {
    }
    ~CSystemLibrary()
    {
        if (m_module)
            ::FreeLibrary(m_module);
    }
    CSystemLibrary(const CSystemLibrary&) = delete;
    CSystemLibrary& operator=(const CSystemLibrary&) = delete;

    // The named function; null where the library or the function is missing.
    template <typename Function> Function Get(const char* name) const
    {
        return m_module ? reinterpret_cast<Function>(
                              reinterpret_cast<void*>(::GetProcAddress(m_module, name)))
                        : nullptr;
    }

private:
    HMODULE m_module;
};
