#include "app/Console.h"

#include <cstdio>

namespace app {

bool Console::outputClosed = false;
bool Console::lineLost = false;

void Console::printLine(const std::string& line) {
    if (outputClosed) {
        lineLost = true;
        return;
    }
    const bool written = std::fwrite(line.data(), 1, line.size(), stdout) == line.size() &&
                         std::fputc('\n', stdout) != EOF && std::fflush(stdout) == 0;
    if (!written) {
        lineLost = true;
        std::clearerr(stdout);
    }
}

bool Console::allWritten() { return !lineLost; }

} // namespace app
