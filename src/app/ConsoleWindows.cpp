#include "app/Console.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace app {

void Console::prepare() {
    // Lines end with "\n" alone, as on every other platform.
    _setmode(_fileno(stdout), _O_BINARY);
}

} // namespace app
