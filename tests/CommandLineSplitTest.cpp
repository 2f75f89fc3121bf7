#include <gtest/gtest.h>

#include "app/CommandLine.h"

using app::CommandLine;
using Args = std::vector<std::string>;

TEST(CommandLineSplit, SpacesSeparateQuotesToggleAndTheProgramNameGoes) {
    const std::pair<std::string, Args> cases[] = {
        {"tomel.exe psd cat.edg", {"psd", "cat.edg"}},
        {"\"C:\\Program Files\\tomel.exe\"  psd   a.edg  ", {"psd", "a.edg"}},
        {"tomel psd \"my art\\cat one.edg\"", {"psd", "my art\\cat one.edg"}},
        {"tomel psd ab\"c d\"e", {"psd", "abc de"}},
        {"tomel psd \"\" x", {"psd", "", "x"}},
        {"tomel psd a\tb", {"psd", "a\tb"}},
        {"tomel psd a\\\"b c\\\"", {"psd", "a\\b c\\"}},
        {"tomel psd \"unclosed quote", {"psd", "unclosed quote"}},
        {"tomel", {}},
        {"", {}},
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(CommandLine::split(line), expected) << line;
}
