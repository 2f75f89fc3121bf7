#include "app/Console.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace app {

namespace {

bool outputClosed = false;
bool lineLost = false;

} // namespace

void Console::prepare() {
#ifdef _WIN32
    // Lines end with "\n" alone, as on every other platform.
    _setmode(_fileno(stdout), _O_BINARY);
#else
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        if (fd == 1) outputClosed = true;
        // open gives the lowest free descriptor: this one.
        ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    }
#endif
}

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
