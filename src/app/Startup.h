#pragma once

#include "app/Console.h"

namespace app {

// What every front end of the command line (tomel, tomel-drop) sets up once,
// before anything else, in the same order.
class Startup {
public:
    // The heap's settings, the console, an interrupted run's temporary
    // output removed (the handlers installed once a temporary is named), and writes past the file-size limit failing as any
    // write error does (the older output kept, the error line), on the
    // converting thread as on the writer thread, instead of killing the
    // process on one route and not on the other.
    static Console prepare();
    // Raises where TOMEL_CPU asks for a kernel level this machine lacks, or
    // names none: the run then ends before any file.
    static void checkCpuLevel();

private:
    // The platform's parts of prepare.
    static void removeTemporaryOnInterrupt();
    static void failWritesPastSizeLimit();
};

} // namespace app
