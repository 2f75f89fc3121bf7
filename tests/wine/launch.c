/* launch.exe PROGRAM < COMMAND-LINE
 * Starts PROGRAM with the exact command-line string read from standard input
 * (no quoting added), waits for it and exits with its status. Wine's own
 * start-up quotes Unix arguments, so this is how a test hands tomel.exe a raw
 * Windows command line. The line is UTF-8, as tomel.exe's active code page. */
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

int main(int argc, char** argv) {
    static char line[32768];
    size_t length = 0;
    if (argc != 2) return 120;
    _setmode(_fileno(stdin), _O_BINARY);
    while (length < sizeof line - 1) {
        const size_t got = fread(line + length, 1, sizeof line - 1 - length, stdin);
        if (got == 0) break;
        length += got;
    }
    line[length] = '\0';
    static wchar_t wideLine[32768];
    static wchar_t wideProgram[MAX_PATH];
    if (!MultiByteToWideChar(CP_UTF8, 0, line, -1, wideLine, 32768)) return 122;
    if (!MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, wideProgram, MAX_PATH)) return 122;
    STARTUPINFOW startup;
    PROCESS_INFORMATION process;
    ZeroMemory(&startup, sizeof startup);
    startup.cb = sizeof startup;
    if (!CreateProcessW(wideProgram, wideLine, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &process)) return 121;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    return (int)status;
}
