#pragma once

#include <string>
#include <vector>

namespace app {

class Console;

// What tomel-drop.exe does with the files dropped on it: converts each on
// its own, so that one that fails does not stop the others. For each file
// its name, then tomel's line about it (the converted line, or the error
// line); at the end a summary: "3 converted, 1 failed: b.edg, c&d.edg".
class Drop {
public:
    // 0 where every file converted, 1 otherwise.
    static int convertEach(const std::vector<std::string>& paths, Console& console);
    // The last component of a path, as the summary names a file.
    static std::string nameOf(const std::string& path);
};

} // namespace app
