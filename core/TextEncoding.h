#pragma once
#include <string>
#include <string_view>

// UTF-8 for files and consoles, UTF-16 for Windows.
std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& text);
// A panel's text as one UTF-8 line: its line breaks become spaces.
std::string OneLine(const std::wstring& text);
// ASCII letters in lower case: names and keywords are compared without
// regard to case, as Windows does.
std::string AsciiLower(std::string_view text);
