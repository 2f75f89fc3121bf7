#include "app/Console.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace app {

Console Console::prepare() {
    // Lines end with "\n" alone, as on every other platform.
    _setmode(_fileno(stdout), _O_BINARY);
    return Console(false);
}

} // namespace app
