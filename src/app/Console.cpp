#include "app/Console.h"

#include <cstdio>

namespace app {

void Console::printLine(const std::string& line) {
    if (outputClosed_) {
        lineLost_ = true;
        return;
    }
    const bool written = std::fwrite(line.data(), 1, line.size(), stdout) == line.size() &&
                         std::fputc('\n', stdout) != EOF && std::fflush(stdout) == 0;
    if (!written) {
        lineLost_ = true;
        std::clearerr(stdout);
    }
}

} // namespace app
