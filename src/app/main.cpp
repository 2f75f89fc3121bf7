#include <new>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Console.h"
#include "app/Heap.h"
#include "app/Tomel.h"
#include "io/Failure.h"

namespace {

int fail(const std::string& text) {
    app::Console::printLine("Error : " + text);
    return 255;
}

} // namespace

// The one handler of the program: every error that escapes a conversion ends
// the run here with one "Error : " line on standard output and status 255.
// A run whose lines could not all be written ends with 255 as well.
int main(int argc, char** argv) {
    try {
        app::Heap::mapLargeBlocksApart();
        app::Console::prepare();
        const std::vector<std::string> args = app::CommandLine::arguments(argc, argv);
        app::Tomel::main(args);
        return app::Console::allWritten() ? 0 : 255;
    } catch (const io::Failure& failure) {
        return fail(failure.text());
    } catch (const std::bad_alloc&) {
        return fail("Out of memory");
    } catch (const std::exception& e) {
        return fail(e.what());
    } catch (...) {
        return fail("Unknown error");
    }
}
