#include "app/BackgroundWriter.h"

#include <pthread.h>

#include "orvane/bytes/CpuFeatures.h"
#include "orvane/bytes/WorkerThreadPosix.h"

namespace app {

bool BackgroundWriter::start() {
    // On one CPU the thread would only take turns with the converting one.
    if (!orvane::bytes::CpuFeatures::secondCpu()) return false;
    // The signals that end a run are handled on the main thread, which
    // names and renames the temporary file with them blocked.
    pthread_t thread;
    started_ = orvane::bytes::startWorkerThread(
        thread,
        [](void* self) -> void* {
            static_cast<BackgroundWriter*>(self)->run();
            return nullptr;
        },
        this);
    if (started_) thread_ = reinterpret_cast<void*>(thread);
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
    ::pthread_join(reinterpret_cast<pthread_t>(thread_), nullptr);
}

} // namespace app
