#include "concurrency/Worker.h"

namespace concurrency {

// The Windows build converts on one thread (Helpers never says yes there):
// no thread is to be had.
bool Worker::startThread() { return false; }

void Worker::joinThread() {}

} // namespace concurrency
