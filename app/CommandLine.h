#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The command line split at white space; quotes have no meaning.
std::vector<std::wstring_view> TokenizeCommandLine(std::wstring_view commandLine);

// True when a token equals the switch, ignoring the case of ASCII letters.
bool HasSwitch(std::wstring_view commandLine, std::wstring_view name);

// What follows a switch to the end of the line, without the blanks around it
// and one pair of quotes: the whole name in -preset "Recording 1 ms". Nothing
// when the switch is missing or nothing follows it.
std::optional<std::wstring> SwitchArgument(std::wstring_view commandLine, std::wstring_view name);
