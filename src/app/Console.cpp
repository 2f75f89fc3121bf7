#include "app/Console.h"

#include <cstdio>

#include "app/TerminalText.h"

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

std::string Console::shown(const std::string& bytes) const { return TerminalText::shown(bytes, outputTerminal_); }

std::string Console::shownOnError(const std::string& bytes) const { return TerminalText::shown(bytes, errorTerminal_); }

void Console::printErrorLine(const std::string& line) {
    (void)std::fwrite(line.data(), 1, line.size(), stderr);
    (void)std::fputc('\n', stderr);
    (void)std::fflush(stderr);
}

} // namespace app
