#include <windows.h>

#include <csignal>

#include "app/FileOutput.h"
#include "app/Startup.h"

namespace app {

namespace {

// Ctrl-C, Ctrl-Break, closing the console, logging off, shutting down: the
// temporary file is removed, then the process ends at once with the status
// Windows gives an interrupted program.
BOOL WINAPI removeTemporaryOnExit(DWORD) {
    FileOutput::removePendingTemporary();
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    return TRUE;
}

// The C runtime's signals (abort, a fault, raise): the temporary file is
// removed, then the process ends as the signal would have.
void removeTemporaryAndDie(int signal) {
    FileOutput::removePendingTemporary();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

void Startup::removeTemporaryOnInterrupt() {
    SetConsoleCtrlHandler(removeTemporaryOnExit, TRUE);
    for (const int signal : {SIGABRT, SIGFPE, SIGILL, SIGSEGV, SIGTERM}) {
        // Only a signal left at its default keeps the handler.
        const auto previous = std::signal(signal, removeTemporaryAndDie);
        if (previous != SIG_DFL) std::signal(signal, previous);
    }
}

// Windows has no file-size limit signal: a write that fails is an error already.
void Startup::failWritesPastSizeLimit() {}

} // namespace app
