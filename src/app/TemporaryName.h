#pragma once

#include <cstddef>
#include <string>

namespace app {

// The one name a temporary output has, on every route and platform, while
// it is written or just before it is moved over an older output:
// ".NAME.tomel-XXXXXX" beside the output NAME, so that one a run killed
// outright left behind says what it is; ".tomel-XXXXXX" where that would be
// longer than a file name may be, or make the path longer than the system
// takes. The X's are six letters and digits.
class TemporaryName {
public:
    static constexpr std::size_t longestName = 255;

    // The name with its X's still to fill (as mkstemp takes it). `directory`
    // is the target's own, ending in its separator, or empty.
    static std::string pattern(const std::string& directory, const std::string& target, std::size_t longestPath);
    // The pattern with its X's replaced: a different name for each call.
    static std::string filled(const std::string& pattern);
};

} // namespace app
