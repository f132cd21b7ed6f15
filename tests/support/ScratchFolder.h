#pragma once
#include <windows.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <optional>
#include <string>

// A folder of the test's own under the temporary folder: empty at the start,
// gone at the end. The process id keeps two test programs that run at once
// out of each other's folders.
class ScratchFolder
{
public:
    explicit ScratchFolder(const wchar_t* name)
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        m_path = std::filesystem::path(temp) /
                 (std::wstring(name) + L"-" + std::to_wstring(::GetCurrentProcessId()));
        std::filesystem::remove_all(m_path);
    }
    ~ScratchFolder() { std::filesystem::remove_all(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// The user's application data in a scratch folder while the object lives:
// the panel, kv58ctl and the programs a test starts take their presets from
// there. APPDATA is put back as it was at the end.
class ScratchAppData
{
public:
    explicit ScratchAppData(const wchar_t* name) : m_folder(name)
    {
        wchar_t was[MAX_PATH] = L"";
        if (::GetEnvironmentVariableW(L"APPDATA", was, MAX_PATH))
            m_was = was;
        ::SetEnvironmentVariableW(L"APPDATA", m_folder.Path().c_str());
        std::filesystem::create_directories(Presets());
    }
    ~ScratchAppData() { ::SetEnvironmentVariableW(L"APPDATA", m_was ? m_was->c_str() : nullptr); }
    ScratchAppData(const ScratchAppData&) = delete;
    ScratchAppData& operator=(const ScratchAppData&) = delete;

    // The presets folder, there and empty at the start.
    std::filesystem::path Presets() const
    {
        return m_folder.Path() / L"Vostrand" / L"KV58 Control Panel" / L"Presets";
    }

private:
    ScratchFolder m_folder;
    std::optional<std::wstring> m_was;
};

// A file's whole text, empty when it cannot be read.
inline std::string FileText(const std::filesystem::path& path)
{
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}
