#pragma once

#include <string>
#include <vector>

namespace app {

class Console;
struct ExportOptions;

// The front end of `tomel-export FORMAT [OPTIONS] FILE...`: writes each
// Edge file's frames or palettes in one format beside it. A file that fails
// is told on standard error and the next goes on.
class Export {
public:
    // 0 where every file was written, 1 where any failed, 2 for a command
    // line that does not fit (no file touched).
    static int main(const std::vector<std::string>& args, Console& console);
    static void exportFile(const std::string& path, const ExportOptions& options, Console& console);
    static const char* usageLine();
};

} // namespace app
