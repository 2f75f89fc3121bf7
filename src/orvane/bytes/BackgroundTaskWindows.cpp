#include "orvane/bytes/BackgroundTask.h"

namespace orvane::bytes {

// The Windows build converts on one thread: the work runs at once.
void BackgroundTask::start() {
    started_ = true;
    task_();
}

void BackgroundTask::join() {}

} // namespace orvane::bytes
