#pragma once

#include <cstdint>
#include <exception>
#include <functional>

#include "concurrency/Route.h"

namespace concurrency {

// The one way to run a helper thread beside the converting thread: the
// deflate check with its prefault, the writer, the composite's tables. The
// route decides whether a helper may run at all. The thread takes no
// asynchronous signals (they all go to the main thread, whose handlers rely
// on what it blocks around its own critical steps) and has a small stack.
// The work should allocate nothing: the allocator would give the thread an
// arena of its own, 64 MiB of address space for a few bytes.
class Worker {
public:
    Worker() = default;
    // Waits for the work, if it was started, without raising. What the work
    // raised is then lost: the strict builds abort on it, since a helper's
    // error must reach a join.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Starts the work on a thread of its own where the route has helpers.
    // False on the one-thread route or where no thread could be had: the
    // work has not run, and the caller does it or does without it. One
    // work at a time: a start before the last one was joined is refused (the
    // strict builds abort on it), since that work may still be running.
    [[nodiscard]] bool start(Route route, std::function<void()> work);
    // Waits until the work has ended and raises what it raised.
    void join();

private:
    // The platform's part: WorkerLinux.cpp or WorkerOneThread.cpp.
    bool startThread();
    void joinThread();
    // The thread's body: the work, and what it raised kept for join().
    void run() noexcept;

    std::function<void()> work_;
    std::exception_ptr failure_;
    bool running_ = false;
    std::uintptr_t thread_ = 0; // the platform's thread handle
};

} // namespace concurrency
