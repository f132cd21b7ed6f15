#include "CommandLine.h"

namespace
{
bool IsBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

wchar_t AsciiLower(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool EqualsAsciiNoCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}
} // namespace

std::vector<std::wstring_view> TokenizeCommandLine(std::wstring_view commandLine)
{
    std::vector<std::wstring_view> tokens;
    size_t i = 0;
    while (i < commandLine.size())
    {
        while (i < commandLine.size() && IsBlank(commandLine[i]))
            ++i;
        size_t start = i;
        while (i < commandLine.size() && !IsBlank(commandLine[i]))
            ++i;
        if (i > start)
            tokens.push_back(commandLine.substr(start, i - start));
    }
    return tokens;
}

bool HasSwitch(std::wstring_view commandLine, std::wstring_view name)
{
    for (std::wstring_view token : TokenizeCommandLine(commandLine))
        if (EqualsAsciiNoCase(token, name))
            return true;
    return false;
}

std::optional<std::wstring> SwitchArgument(std::wstring_view commandLine, std::wstring_view name)
{
    for (std::wstring_view token : TokenizeCommandLine(commandLine))
    {
        if (!EqualsAsciiNoCase(token, name))
            continue;
        std::wstring_view rest =
            commandLine.substr(token.data() + token.size() - commandLine.data());
        while (!rest.empty() && IsBlank(rest.front()))
            rest.remove_prefix(1);
        while (!rest.empty() && IsBlank(rest.back()))
            rest.remove_suffix(1);
        if (rest.size() >= 2 && rest.front() == L'"' && rest.back() == L'"')
            rest = rest.substr(1, rest.size() - 2);
        if (rest.empty())
            return std::nullopt;
        return std::wstring(rest);
    }
    return std::nullopt;
}
