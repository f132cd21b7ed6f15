#pragma once
#include "Preset.h"
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// Presets as files: one <name>.ini each in the user's presets folder,
// %APPDATA%\Vostrand\KV58 Control Panel\Presets.
class PresetStore
{
public:
    PresetStore();
    explicit PresetStore(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    const std::filesystem::path& Folder() const { return m_folder; }
    // Empty when the name can be a file's name, else why not.
    static std::string NameProblem(const std::wstring& name);

    // The saved names, sorted.
    std::vector<std::wstring> List() const;
    bool Exists(const std::wstring& name) const;
    // Each gives the reason when it failed, else nothing.
    std::optional<std::string> Save(const std::wstring& name, const Preset& preset) const;
    std::optional<std::string> Load(const std::wstring& name, PresetReading& reading) const;
    std::optional<std::string> Delete(const std::wstring& name) const;

private:
    std::filesystem::path PathOf(const std::wstring& name) const;

    std::filesystem::path m_folder;
};
