#include "app/CommandLine.h"
#include <gtest/gtest.h>

TEST(CommandLine, SplitsAtEveryKindOfWhiteSpaceAndKeepsQuotes)
{
    auto tokens = TokenizeCommandLine(L"  a\tb\nc\vd\fe\rf \"g h\" ");
    std::vector<std::wstring_view> expected{L"a", L"b", L"c", L"d", L"e", L"f", L"\"g", L"h\""};
    EXPECT_EQ(tokens, expected);
    EXPECT_TRUE(TokenizeCommandLine(L"").empty());
    EXPECT_TRUE(TokenizeCommandLine(L" \t ").empty());
}

TEST(CommandLine, SwitchMatchesWholeTokenIgnoringAsciiCase)
{
    EXPECT_TRUE(HasSwitch(L"-hide", L"-hide"));
    EXPECT_TRUE(HasSwitch(L"x -HiDe y", L"-hide"));
    EXPECT_TRUE(HasSwitch(L"-EXITALL", L"-exitall"));
    for (const wchar_t* notTheSwitch : {L"/hide", L"--hide", L"-hide=1", L"\"-hide\"", L"-hid",
                                        L"-hidex", L"", L"-h\u0130de"})
        EXPECT_FALSE(HasSwitch(notTheSwitch, L"-hide")) << notTheSwitch;
}

TEST(CommandLine, SwitchArgumentIsTheRestOfTheLine)
{
    const struct
    {
        const wchar_t* line;
        std::optional<std::wstring> argument;
    } cases[] = {
        {L"-preset Mixing", L"Mixing"},
        {L"-PRESET   Recording 1 ms  ", L"Recording 1 ms"},
        {L"-hide -preset \"Late night\"", L"Late night"},
        {L"-preset \"", L"\""},
        {L"-preset", std::nullopt},
        {L"-preset   \t", std::nullopt},
        {L"-presets Mixing", std::nullopt},
        {L"Mixing", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SwitchArgument(c.line, L"-preset"), c.argument) << c.line;
}
