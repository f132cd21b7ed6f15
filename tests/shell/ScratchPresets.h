#pragma once
#include "tests/support/ScratchFolder.h"
#include <windows.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

// APPDATA points at a scratch folder of the test's own while the object
// lives, so the panels it starts keep their presets there.
class ScratchPresets
{
public:
    explicit ScratchPresets(const wchar_t* name) : m_scratch(name)
    {
        wchar_t appData[MAX_PATH] = L"";
        if (::GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH))
            m_appDataWas = appData;
        std::filesystem::create_directories(m_folder);
        ::SetEnvironmentVariableW(L"APPDATA", m_scratch.Path().c_str());
    }
    ~ScratchPresets()
    {
        ::SetEnvironmentVariableW(L"APPDATA", m_appDataWas ? m_appDataWas->c_str() : nullptr);
    }
    ScratchPresets(const ScratchPresets&) = delete;
    ScratchPresets& operator=(const ScratchPresets&) = delete;

    // The presets folder, made empty.
    const std::filesystem::path& Folder() const { return m_folder; }

private:
    ScratchFolder m_scratch;
    const std::filesystem::path m_folder =
        m_scratch.Path() / L"Vostrand" / L"KV58 Control Panel" / L"Presets";
    std::optional<std::wstring> m_appDataWas;
};

inline std::string FileText(const std::filesystem::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}
