#include "concurrency/Worker.h"

#include <utility>

namespace concurrency {

Worker::~Worker() {
    if (running_) joinThread();
}

bool Worker::start(Route route, std::function<void()> work) {
    if (route != Route::Helped) return false;
    work_ = std::move(work);
    failure_ = nullptr;
    running_ = startThread();
    return running_;
}

void Worker::join() {
    if (!running_) return;
    joinThread();
    running_ = false;
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void Worker::run() noexcept {
    // An exception may not leave a thread: it is handed to join().
    try {
        work_();
    } catch (...) {
        failure_ = std::current_exception();
    }
}

} // namespace concurrency
