#include <exception>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Console.h"
#include "app/Drop.h"
#include "app/FailureText.h"
#include "app/Startup.h"

// tomel-drop.exe: the program Explorer starts with the files dropped on it.
// Explorer starts it directly (CreateProcess, not cmd.exe), so every name
// arrives as it is, whatever characters it holds. Its window stays open for
// a key only where it is its own (started from Explorer), not when it runs
// in a console window of the user's. Each file's error is its own line
// (Drop); what escapes them all (a kernel level TOMEL_CPU asks for that this
// machine lacks) ends the run here, before any file, as tomel's does.
int main(int argc, char** argv) {
    app::Console console = app::Startup::prepare();
    int status = 255;
    try {
        app::Startup::checkCpuLevel();
        const std::vector<std::string> paths = app::CommandLine::arguments(argc, argv);
        status = app::Drop::convertEach(paths, console);
    } catch (...) {
        console.printLine("Error : " + console.shown(app::FailureText::of(std::current_exception())));
    }
    if (console.ownsWindow()) console.waitForKey();
    return status;
}
