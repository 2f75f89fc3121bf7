#pragma once

#include <string>

namespace app {

// A name as a line shows it: on a terminal its control characters are
// escaped (\n, \t, \xHH..., the C1 controls U+0080 to U+009F as their two
// bytes), so that a name cannot break the line, move the cursor, retitle the
// window or ring the bell; in a pipe or a file it keeps its exact bytes.
class TerminalText {
public:
    static std::string shown(const std::string& bytes, bool terminal);
};

} // namespace app
