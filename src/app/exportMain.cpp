#include <exception>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Console.h"
#include "app/Export.h"
#include "app/FailureText.h"
#include "app/Startup.h"

// tomel-export: the same start-up as tomel's (the heap, the console, an
// interrupted run's temporary removed, the TOMEL_CPU check), then each file
// on its own. What escapes every file (a TOMEL_CPU this machine lacks) ends
// the run before any file.
int main(int argc, char** argv) {
    app::Console console = app::Startup::prepare();
    try {
        app::Startup::checkCpuLevel();
        return app::Export::main(app::CommandLine::arguments(argc, argv), console);
    } catch (...) {
        console.printErrorLine("Error : " + console.shownOnError(app::FailureText::of(std::current_exception())));
        return 1;
    }
}
