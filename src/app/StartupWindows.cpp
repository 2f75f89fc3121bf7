#include <windows.h>

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

} // namespace

void Startup::removeTemporaryOnInterrupt() { SetConsoleCtrlHandler(removeTemporaryOnExit, TRUE); }

// Windows has no file-size limit signal: a write that fails is an error already.
void Startup::failWritesPastSizeLimit() {}

} // namespace app
