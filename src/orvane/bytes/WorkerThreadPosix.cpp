#include "orvane/bytes/WorkerThreadPosix.h"

#include <csignal>

namespace orvane::bytes {

bool startWorkerThread(pthread_t& thread, void* (*run)(void*), void* argument) {
    // A new thread inherits the creating thread's signal mask.
    sigset_t all, previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &previous);
    const bool started = ::pthread_create(&thread, nullptr, run, argument) == 0;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return started;
}

} // namespace orvane::bytes
