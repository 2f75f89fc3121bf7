#include "concurrency/Worker.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace concurrency {

namespace {

// Set by the build: on in the sanitizer and debug builds.
constexpr bool strict = TOMEL_STRICT;

void programmingError(const char* what) {
    if (!strict) return;
    std::fprintf(stderr, "tomel: %s\n", what);
    std::abort();
}

} // namespace

Worker::~Worker() {
    if (!running_) return;
    joinThread();
    if (failure_) programmingError("a helper's error was dropped: nobody joined it");
}

bool Worker::start(Route route, std::function<void()> work) {
    if (running_) {
        // The work started before may still be running, over work_ and failure_.
        programmingError("a helper was started again before its work was joined");
        return false;
    }
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
