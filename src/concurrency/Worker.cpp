#include "concurrency/Worker.h"

namespace concurrency {

Worker::~Worker() {
    if (running_) joinThread();
}

bool Worker::start(std::function<void()> work) {
    // The task's state is allocated here, on the starting thread.
    task_ = std::packaged_task<void()>(std::move(work));
    done_ = task_.get_future();
    running_ = startThread();
    return running_;
}

void Worker::join() {
    if (!running_) return;
    joinThread();
    running_ = false;
    done_.get();
}

} // namespace concurrency
