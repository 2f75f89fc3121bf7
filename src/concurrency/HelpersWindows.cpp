#include "concurrency/Helpers.h"

namespace concurrency {

// The Windows build converts on one thread: igzip, the fast decoder the
// helpers serve, has no MinGW build.
bool Helpers::worthStarting() { return false; }

} // namespace concurrency
