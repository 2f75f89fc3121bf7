#include <iostream>
#include <new>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#endif

#include "app/CommandLine.h"
#include "app/Tomel.h"
#include "io/Failure.h"

namespace {

int fail(const std::string& text) {
    std::cout << "Error : " << text << '\n' << std::flush;
    return 255;
}

} // namespace

// The one handler of the program: every error that escapes a conversion ends
// the run here with one "Error : " line on standard output and status 255.
int main(int argc, char** argv) {
#ifdef _WIN32
    // Lines end with "\n" alone, as on every other platform.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    try {
        const std::vector<std::string> args = app::CommandLine::arguments(argc, argv);
        app::Tomel::main(args);
        std::cout.flush();
        return 0;
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
