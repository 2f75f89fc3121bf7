#pragma once

#include <cstdint>
#include <functional>
#include <future>

namespace concurrency {

// One piece of work on a helper thread beside the converting thread: the
// deflate check with its prefault, the writer, the composite's tables. The
// thread takes no asynchronous signals (they all go to the main thread, whose
// handlers rely on what it blocks around its own critical steps) and has a
// small stack. The work should allocate nothing: the allocator would give
// the thread an arena of its own, address space a capped process lacks.
class Worker {
public:
    Worker() = default;
    // Waits for the work, if it was started, without raising.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Starts the work on a thread of its own. False where no thread could be
    // had: the work has not run, and the caller does it or does without it.
    // Whether a helper pays off is the caller's question (Helpers).
    [[nodiscard]] bool start(std::function<void()> work);
    // Waits until the work has ended and raises what it raised.
    void join();

private:
    // The platform's part: WorkerPosix.cpp or WorkerWindows.cpp.
    bool startThread();
    void joinThread();

    std::packaged_task<void()> task_;
    std::future<void> done_;
    bool running_ = false;
    std::uintptr_t thread_ = 0; // the platform's thread handle
    void* stack_ = nullptr;     // the thread's stack, where the platform's part maps it
};

} // namespace concurrency
