#include "orvane/bytes/BackgroundTask.h"

namespace orvane::bytes {

BackgroundTask::~BackgroundTask() { join(); }

void BackgroundTask::wait() {
    if (!started_) return;
    join();
    started_ = false;
    done_.get();
}

} // namespace orvane::bytes
