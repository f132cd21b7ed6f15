#pragma once
#include <windows.h>
#include <filesystem>

// A folder of the test's own under the temporary folder: empty at the start,
// gone at the end.
class ScratchFolder
{
public:
    explicit ScratchFolder(const wchar_t* name)
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        m_path = std::filesystem::path(temp) / name;
        std::filesystem::remove_all(m_path);
    }
    ~ScratchFolder() { std::filesystem::remove_all(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};
