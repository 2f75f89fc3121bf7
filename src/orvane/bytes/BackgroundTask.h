#pragma once

#include <functional>
#include <future>

namespace orvane::bytes {

// Runs a piece of work on a helper thread while the caller goes on. wait()
// returns once it has finished and raises what it raised. Where a second
// thread cannot help (one usable CPU, Windows, no thread to be had) the work
// runs at once, inside start().
class BackgroundTask {
public:
    explicit BackgroundTask(std::function<void()> work) : task_(std::move(work)), done_(task_.get_future()) {}
    // Waits for the work, if it was started, without raising.
    ~BackgroundTask();
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;

    // The platform's part: BackgroundTaskPosix.cpp or ...Windows.cpp.
    void start();
    // Whether start() gave the work a thread of its own (until wait()).
    bool threaded() const { return threaded_; }
    void wait();

private:
    void join();

    std::packaged_task<void()> task_;
    std::future<void> done_;
    bool started_ = false;
    bool threaded_ = false;  // a helper thread runs the work
    void* thread_ = nullptr; // its handle
};

} // namespace orvane::bytes
