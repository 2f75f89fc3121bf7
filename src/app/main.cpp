#include <exception>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Console.h"
#include "app/FailureText.h"
#include "app/FileOutput.h"
#include "app/Heap.h"
#include "app/Tomel.h"
#include "orvane/simd/CpuFeatures.h"

// The one handler of the program: every error that escapes a conversion ends
// the run here with one "Error : " line on standard output and status 255.
// A run whose lines could not all be written ends with 255 as well.
int main(int argc, char** argv) {
    // What the whole run relies on is set up once, before anything else.
    app::Heap::mapLargeBlocksApart();
    app::Console console = app::Console::prepare();
    app::FileOutput::removeTemporaryOnInterrupt();
    app::FileOutput::failWritesPastSizeLimit();
    try {
        // A kernel level asked for through TOMEL_CPU that this machine lacks
        // ends the run before any file.
        (void)orvane::simd::CpuFeatures::level();
        const std::vector<std::string> args = app::CommandLine::arguments(argc, argv);
        app::Tomel::main(args, console);
        return console.allWritten() ? 0 : 255;
    } catch (...) {
        console.printLine("Error : " + app::FailureText::of(std::current_exception()));
        return 255;
    }
}
