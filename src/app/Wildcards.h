#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace app {

// The wildcards of a Windows command line. cmd.exe passes `*.edg` on as it
// is: each Windows program expands its own. A token whose last path
// component holds `*` or `?`, none of them inside double quotes, stands for
// the regular files of its directory that match it, in byte order; one that
// matches nothing stays as it is (and then fails as "File not found"). A
// quoted wildcard is never expanded, nor one in a directory component:
// neither can be part of a Windows file name, so such a token, which can
// only fail, fails as it is.
class Wildcards {
public:
    // The names of the regular files in a directory (the path as the token
    // gives it, empty for the current one), neither directories nor "." and
    // "..". The platform's listing.
    using ListFiles = std::function<std::vector<std::string>(const std::string& directory)>;

    static std::vector<std::string> expand(const std::vector<CommandLine::Token>& tokens, const ListFiles& list);
    // Whether a file name matches a pattern: `*` stands for any run of
    // characters, `?` for one character (a UTF-8 sequence counts as one),
    // and ASCII letters match in either case, as on Windows file systems.
    static bool matches(const std::string& pattern, const std::string& name);
};

} // namespace app
