#include "app/Console.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace app {

Console Console::prepare() {
    bool outputClosed = false;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        if (fd == 1) outputClosed = true;
        // open gives the lowest free descriptor: this one.
        ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    }
    return Console(outputClosed);
}

// A terminal is never a program's own window here.
bool Console::ownsWindow() const { return false; }

void Console::waitForKey() {}

bool Console::isTerminal(bool errorStream) { return ::isatty(errorStream ? 2 : 1) == 1; }

} // namespace app
