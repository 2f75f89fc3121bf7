#include "app/CommandLine.h"

#include <windows.h>

namespace app {

std::vector<std::string> CommandLine::arguments(int, char**) {
    // The C runtime's own split knows backslash escapes; this program's does not.
    return split(GetCommandLineA());
}

} // namespace app
