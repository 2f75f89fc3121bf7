#include "app/BackgroundWriter.h"

#include <csignal>
#include <pthread.h>

#include "orvane/bytes/CpuFeatures.h"

namespace app {

bool BackgroundWriter::start() {
    // On one CPU the thread would only take turns with the converting one.
    if (!orvane::bytes::CpuFeatures::secondCpu()) return false;
    // The thread takes none of the signals that end a run: their handler
    // runs on the main thread, which names and renames the temporary file
    // with them blocked.
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&blocked, signal);
    ::pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    pthread_t thread;
    started_ = ::pthread_create(
                   &thread, nullptr,
                   [](void* self) -> void* {
                       static_cast<BackgroundWriter*>(self)->run();
                       return nullptr;
                   },
                   this) == 0;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (started_) thread_ = reinterpret_cast<void*>(thread);
    return started_;
}

BackgroundWriter::~BackgroundWriter() {
    if (!started_) return;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        stopping_ = true;
        changed_.notify_all();
    }
    ::pthread_join(reinterpret_cast<pthread_t>(thread_), nullptr);
}

} // namespace app
