#include "FuzzRandom.h"
#include "app/CommandLine.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace
{
// The rules, written out once more: tokens are the runs between the six
// blanks; quotes are characters like any other; a switch is a token equal
// to it when ASCII letters are compared without case.
bool IsBlank(wchar_t c)
{
    return std::wstring_view(L" \t\n\v\f\r").find(c) != std::wstring_view::npos;
}

std::vector<std::wstring> ModelTokens(const std::wstring& line)
{
    std::vector<std::wstring> tokens;
    std::wstring current;
    for (wchar_t c : line)
    {
        if (!IsBlank(c))
        {
            current += c;
            continue;
        }
        if (!current.empty())
            tokens.push_back(current);
        current.clear();
    }
    if (!current.empty())
        tokens.push_back(current);
    return tokens;
}

bool ModelHasSwitch(const std::wstring& line, const std::wstring& name)
{
    for (const std::wstring& token : ModelTokens(line))
    {
        bool equal = token.size() == name.size();
        for (size_t i = 0; equal && i < token.size(); ++i)
        {
            const wchar_t a = token[i], b = name[i];
            equal =
                a == b || ((a | 0x20) == (b | 0x20) && (a | 0x20) >= L'a' && (a | 0x20) <= L'z');
        }
        if (equal)
            return true;
    }
    return false;
}

std::wstring RandomLine(FuzzRandom& random)
{
    using namespace std::literals;
    static const std::wstring_view kWords[] = {
        L"-hide",          L"-HIDE",      L"-HiDe",      L"-exitall",
        L"-EXITALL",       L"-ExitAll",   L"/hide",      L"--hide",
        L"-hide=1",        L"\"-hide\"",  L"'-hide'",    L"-hid",
        L"-hidee",         L"-h\u0130de", L"-\u0127ide", L"-exit\u0131ll",
        L"-exitall\u00A0", L"\u212Aide",  L"\"",         L"\"\"",
        L"\\\"",           L"-",          L"x",          L"GUI_KV58.exe",
        L"-hide\"",        L"\"-exitall", L"-hi\0de"sv};
    static const wchar_t kBlanks[] = L" \t\n\v\f\r";
    // Characters that look blank but are not among the six.
    static const wchar_t kNotBlanks[] = {0x00A0, 0x2028, 0x0085, 0x3000, 0x0000, 0x001F, 0x200B};
    std::wstring line;
    for (int parts = random.Between(0, 12); parts > 0; --parts)
    {
        switch (random.Below(6))
        {
        case 0:
        case 1:
            line += kWords[random.Below(std::size(kWords))];
            break;
        case 2:
            for (int n = random.Between(1, 3); n > 0; --n)
                line += kBlanks[random.Below(6)];
            break;
        case 3:
            line += kNotBlanks[random.Below(std::size(kNotBlanks))];
            break;
        case 4:
            for (int n = random.Between(1, 8); n > 0; --n)
                line += static_cast<wchar_t>(random.Percent(70) ? random.Between(0x21, 0x7E)
                                                                : random.Between(1, 0xFFFF));
            break;
        default:
            if (random.Percent(3))
                line += std::wstring(random.Between(1, 40000), L'h');
            else
                line += L' ';
            break;
        }
    }
    return line;
}
} // namespace

TEST(CommandLineFuzz, SwitchesFoundAreExactlyThoseTheRulesGive)
{
    const uint64_t seed = FuzzSeed();
    SCOPED_TRACE(ReplayHint(seed));
    FuzzRandom random(seed);
    const unsigned lines = FuzzSteps(10000);
    for (unsigned round = 1; round <= lines; ++round)
    {
        const std::wstring line = RandomLine(random);
        const std::vector<std::wstring> expected = ModelTokens(line);
        const std::vector<std::wstring_view> found = TokenizeCommandLine(line);
        ASSERT_EQ(std::vector<std::wstring>(found.begin(), found.end()), expected)
            << "line " << round << ": " << testing::PrintToString(line.substr(0, 200));
        for (const wchar_t* name : {L"-hide", L"-exitall"})
            ASSERT_EQ(HasSwitch(line, name), ModelHasSwitch(line, name))
                << name << " in line " << round << ": "
                << testing::PrintToString(line.substr(0, 200));
    }
}
