#include "DpiOverride.h"

namespace
{
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";
} // namespace

LogPixelsOverride::LogPixelsOverride(DWORD dpi)
{
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &m_key,
                          nullptr) != ERROR_SUCCESS)
    {
        m_key = nullptr;
        return;
    }
    DWORD size = sizeof m_previous;
    DWORD type = 0;
    m_hadValue = ::RegQueryValueExW(m_key, kLogPixels, nullptr, &type,
                                    reinterpret_cast<BYTE*>(&m_previous), &size) == ERROR_SUCCESS &&
                 type == REG_DWORD;
    ::RegSetValueExW(m_key, kLogPixels, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                     sizeof dpi);
}

LogPixelsOverride::~LogPixelsOverride()
{
    if (!m_key)
        return;
    if (m_hadValue)
        ::RegSetValueExW(m_key, kLogPixels, 0, REG_DWORD,
                         reinterpret_cast<const BYTE*>(&m_previous), sizeof m_previous);
    else
        ::RegDeleteValueW(m_key, kLogPixels);
    ::RegCloseKey(m_key);
}

ChildProcess StartPanelAtDpi(UINT dpi, const std::wstring& arguments)
{
    LogPixelsOverride override(dpi);
    ChildProcess panel = StartPanel(arguments);
    WaitForPanelWindow();
    return panel;
}
