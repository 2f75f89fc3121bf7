#include <exception>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Console.h"
#include "app/FailureText.h"
#include "app/Startup.h"
#include "app/Tomel.h"

// The one handler of the program: every error that escapes a conversion ends
// the run here with one "Error : " line on standard output and status 255.
// A run whose lines could not all be written ends with 255 as well.
int main(int argc, char** argv) {
    app::Console console = app::Startup::prepare();
    try {
        app::Startup::checkCpuLevel();
        const std::vector<std::string> args = app::CommandLine::arguments(argc, argv);
        app::Tomel::main(args, console);
        return console.allWritten() ? 0 : 255;
    } catch (...) {
        console.printLine("Error : " + console.shown(app::FailureText::of(std::current_exception())));
        return 255;
    }
}
