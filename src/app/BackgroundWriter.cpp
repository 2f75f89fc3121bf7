#include "app/BackgroundWriter.h"

namespace app {

bool BackgroundWriter::start() {
    started_ = worker_.start([this] { run(); });
    return started_;
}

BackgroundWriter::~BackgroundWriter() {
    if (!started_) return;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !queued_ && !busy_; });
        stopping_ = true;
        changed_.notify_all();
    }
    // worker_, the last member, ends first: it joins the thread.
}

bool BackgroundWriter::handOver(io::ByteArray& buffer) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !queued_; });
    if (failed_) return false;
    // A written buffer comes back, empty, with its capacity.
    waiting_.swap(buffer);
    buffer.resize(0);
    queued_ = true;
    changed_.notify_all();
    return true;
}

bool BackgroundWriter::finish() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !queued_ && !busy_; });
    return !failed_;
}

void BackgroundWriter::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return queued_ || stopping_; });
        if (!queued_) return;
        inFlight_.swap(waiting_);
        queued_ = false;
        busy_ = true;
        changed_.notify_all();
        // After a failure the rest is dropped: the run is failing anyway.
        const bool skip = failed_;
        lock.unlock();
        const bool written = skip || write_(inFlight_.data(), inFlight_.size());
        lock.lock();
        failed_ = failed_ || !written;
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace app
