#include "concurrency/Worker.h"

namespace concurrency {

// The builds on one thread (Windows, the browser; Helpers never says yes
// there): no thread is to be had.
bool Worker::startThread() { return false; }

void Worker::joinThread() {}

} // namespace concurrency
