#include "app/Startup.h"

namespace app {

// Windows has no file-size limit signal: a write that fails is an error already.
void Startup::failWritesPastSizeLimit() {}

} // namespace app
