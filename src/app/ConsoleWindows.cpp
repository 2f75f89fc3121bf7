#include "app/Console.h"

#include <windows.h>

#include <conio.h>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace app {

Console Console::prepare() {
    // Lines end with "\n" alone, as on every other platform (standard error
    // too, where tomel-export tells its failures).
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return Console(false);
}

// A console started for this process alone lists this process only.
bool Console::ownsWindow() const {
    DWORD processes[2];
    return GetConsoleProcessList(processes, 2) == 1;
}

void Console::waitForKey() {
    printLine("Press any key to close this window.");
    (void)_getch();
}

bool Console::isTerminal(bool errorStream) { return _isatty(errorStream ? 2 : 1) != 0; }

} // namespace app
