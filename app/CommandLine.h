#pragma once
#include <string_view>
#include <vector>

// The command line split at white space; quotes have no meaning.
std::vector<std::wstring_view> TokenizeCommandLine(std::wstring_view commandLine);

// True when a token equals the switch, ignoring the case of ASCII letters.
bool HasSwitch(std::wstring_view commandLine, std::wstring_view name);
