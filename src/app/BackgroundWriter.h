#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "concurrency/Worker.h"
#include "io/ByteArray.h"

namespace app {

// Passes buffers to a file on a thread of its own, so that the next buffer
// is filled while the last one is copied into the kernel. One buffer is
// written while at most one more waits its turn: the thread goes on to the
// waiting one at once, without waiting for the filling thread to wake, and
// handing over another waits until the waiting one is taken.
class BackgroundWriter {
public:
    // Writes all of a buffer, false on failure; runs on the writer thread.
    using Write = std::function<bool(const std::uint8_t* data, std::size_t n)>;

    explicit BackgroundWriter(Write write) : write_(std::move(write)) {}
    // Waits for the buffer in flight, then ends the thread.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Starts the thread; false where none can be had (the caller then writes
    // itself).
    bool start();
    // Takes the buffer's bytes to write and gives back an empty buffer to
    // fill next. False when an earlier write failed.
    bool handOver(io::ByteArray& buffer);
    // Waits until every byte handed over is written; false when a write failed.
    bool finish();

private:
    void run();

    Write write_;
    std::mutex mutex_;
    std::condition_variable changed_;
    io::ByteArray waiting_;  // handed over, not taken yet (when queued_)
    io::ByteArray inFlight_; // being written (while busy_)
    bool queued_ = false;
    bool busy_ = false;
    bool failed_ = false;
    bool stopping_ = false;
    bool started_ = false;
    concurrency::Worker worker_; // last: it ends first
};

} // namespace app
