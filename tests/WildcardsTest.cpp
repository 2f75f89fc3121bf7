#include <gtest/gtest.h>

#include <map>

#include "app/CommandLine.h"
#include "app/Wildcards.h"

using app::CommandLine;
using app::Wildcards;
using Args = std::vector<std::string>;

namespace {

// A folder of files, and a folder "sub\" beside them.
const std::map<std::string, Args> folders = {
    {"", {"b.edg", "a.edg", "C.EDG", "x.txt", "a.edgg", "\xC3\xA9.edg"}},
    {"sub\\", {"s.edg", "t.edg"}},
};

Args expand(const std::string& line) {
    return Wildcards::expand(CommandLine::tokens(line), [](const std::string& directory) {
        const auto folder = folders.find(directory);
        return folder == folders.end() ? Args() : folder->second;
    });
}

} // namespace

TEST(Wildcards, UnquotedPatternsInTheLastComponentStandForTheirFilesInByteOrder) {
    const std::pair<std::string, Args> cases[] = {
        {"tomel psd *.edg", {"psd", "C.EDG", "a.edg", "b.edg", "\xC3\xA9.edg"}},
        {"tomel psd ?.edg", {"psd", "C.EDG", "a.edg", "b.edg", "\xC3\xA9.edg"}},
        {"tomel psd a.edg?", {"psd", "a.edgg"}},
        {"tomel psd a.edg *.txt", {"psd", "a.edg", "x.txt"}},
        {"tomel psd sub\\*.edg", {"psd", "sub\\s.edg", "sub\\t.edg"}},
        {"tomel psd su\"b\"\\*.edg", {"psd", "sub\\s.edg", "sub\\t.edg"}},
        // Quoted wildcards, wildcards in a directory, and patterns that match
        // nothing stay as they are.
        {"tomel psd \"*.edg\"", {"psd", "*.edg"}},
        {"tomel psd *\".edg\"", {"psd", "C.EDG", "a.edg", "b.edg", "\xC3\xA9.edg"}},
        {"tomel psd \"*\"*.edg", {"psd", "**.edg"}},
        {"tomel psd s*\\*.edg", {"psd", "s*\\*.edg"}},
        {"tomel psd none*.edg", {"psd", "none*.edg"}},
        {"tomel psd ??.edg", {"psd", "??.edg"}},
    };
    for (const auto& [line, expected] : cases) EXPECT_EQ(expand(line), expected) << line;
}
