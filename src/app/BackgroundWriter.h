#pragma once

#include <cstdint>
#include <functional>

#include "concurrency/Handoff.h"
#include "concurrency/Route.h"
#include "concurrency/Worker.h"
#include "io/ByteArray.h"

namespace app {

// Passes buffers to a file on a helper thread, so that the next buffer is
// filled while the last one is copied into the kernel: one buffer is written
// while at most one more waits its turn.
class BackgroundWriter {
public:
    // Writes all of a buffer, false on failure; runs on the writer thread.
    using Write = std::function<bool(const std::uint8_t* data, std::size_t n)>;

    explicit BackgroundWriter(Write write) : write_(std::move(write)) {}
    // Waits for the buffers handed over, then ends the thread.
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Starts the thread where the route has helpers; false otherwise (the
    // caller then writes itself).
    bool start(concurrency::Route route);
    // Takes the buffer's bytes to write and gives back an empty buffer to
    // fill next. False when an earlier write failed.
    bool handOver(io::ByteArray& buffer);
    // Waits until every byte handed over is written; false when a write failed.
    bool finish() { return buffers_.drain(); }

private:
    Write write_;
    concurrency::Handoff<io::ByteArray> buffers_;
    concurrency::Worker worker_; // last: it ends first
};

} // namespace app
