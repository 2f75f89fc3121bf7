#include "concurrency/Helpers.h"

namespace concurrency {

// Windows and the browser convert on one thread: igzip, the fast decoder
// the helpers serve, has no MinGW build, and the browser's module has one
// thread.
bool Helpers::worthStarting() { return false; }

} // namespace concurrency
