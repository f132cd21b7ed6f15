#include "PresetStore.h"
#include "TextEncoding.h"
#include "../device/SystemLibrary.h"
#include <windows.h>
#include <shlobj.h>
#include <algorithm>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace
{
constexpr wchar_t kExtension[] = L".ini";
constexpr size_t kMaxNameLength = 120;

fs::path UserPresetFolder()
{
    wchar_t appData[MAX_PATH] = L"";
    // The environment first, so that a test or a portable set-up can move it.
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", appData, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
    {
        // shell32.dll is loaded for this alone, not with the program.
        const CSystemLibrary shell32(L"shell32.dll");
        if (const auto folder = shell32.Get<decltype(&::SHGetFolderPathW)>("SHGetFolderPathW"))
            folder(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
    }
    return fs::path(appData) / L"Vostrand" / L"KV58 Control Panel" / L"Presets";
}

bool IsReservedDeviceName(std::wstring name)
{
    std::transform(name.begin(), name.end(), name.begin(), ::towupper);
    if (name == L"CON" || name == L"PRN" || name == L"AUX" || name == L"NUL")
        return true;
    return name.size() == 4 && (name.rfind(L"COM", 0) == 0 || name.rfind(L"LPT", 0) == 0) &&
           name[3] >= L'1' && name[3] <= L'9';
}
} // namespace

PresetStore::PresetStore() : m_folder(UserPresetFolder()) {}

std::string PresetStore::NameProblem(const std::wstring& name)
{
    if (name.empty())
        return "A preset needs a name.";
    if (name.size() > kMaxNameLength)
        return "A preset name can have at most 120 characters.";
    for (wchar_t c : name)
        if (c < 32 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos)
            return "A preset name cannot contain any of these characters: \\ / : * ? \" < > |";
    if (name.back() == L'.' || name.back() == L' ' || name.front() == L' ')
        return "A preset name cannot begin with a space or end with a space or a dot.";
    if (IsReservedDeviceName(name))
        return "\"" + Utf8(name) + "\" is a name Windows keeps for a device.";
    return {};
}

fs::path PresetStore::PathOf(const std::wstring& name) const
{
    return m_folder / (name + kExtension);
}

std::vector<std::wstring> PresetStore::List() const
{
    std::vector<std::wstring> names;
    std::error_code error;
    for (fs::directory_iterator it(m_folder, error), end; !error && it != end; it.increment(error))
    {
        const fs::path& path = it->path();
        if (it->is_regular_file(error) && _wcsicmp(path.extension().c_str(), kExtension) == 0)
            names.push_back(path.stem().wstring());
    }
    std::sort(names.begin(), names.end(),
              [](const std::wstring& a, const std::wstring& b)
              { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
    return names;
}

bool PresetStore::Exists(const std::wstring& name) const
{
    std::error_code error;
    return NameProblem(name).empty() && fs::is_regular_file(PathOf(name), error);
}

std::optional<std::string> PresetStore::Save(const std::wstring& name, const Preset& preset) const
{
    if (std::string problem = NameProblem(name); !problem.empty())
        return problem;
    std::error_code error;
    fs::create_directories(m_folder, error);
    // Written beside, then put in place: a failed write leaves the old file whole.
    const fs::path path = PathOf(name);
    fs::path temporary = path;
    temporary += L".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << FormatPreset(preset);
        file.close();
        if (!file)
        {
            fs::remove(temporary, error);
            return "Cannot write " + Utf8(path.wstring()) + ".";
        }
    }
    fs::rename(temporary, path, error);
    if (error)
    {
        fs::remove(temporary, error);
        return "Cannot write " + Utf8(path.wstring()) + ".";
    }
    return std::nullopt;
}

std::optional<std::string> PresetStore::Load(const std::wstring& name, PresetReading& reading) const
{
    if (std::string problem = NameProblem(name); !problem.empty())
        return problem;
    const fs::path path = PathOf(name);
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return "There is no preset \"" + Utf8(name) + "\".";
    std::ostringstream text;
    text << file.rdbuf();
    reading = ParsePreset(text.str(), Utf8(path.filename().wstring()), name);
    return std::nullopt;
}

std::optional<std::string> PresetStore::Delete(const std::wstring& name) const
{
    if (std::string problem = NameProblem(name); !problem.empty())
        return problem;
    std::error_code error;
    if (!fs::remove(PathOf(name), error))
        return error ? "Cannot delete the preset \"" + Utf8(name) + "\"."
                     : "There is no preset \"" + Utf8(name) + "\".";
    return std::nullopt;
}
