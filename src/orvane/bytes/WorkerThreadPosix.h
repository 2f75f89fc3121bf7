#pragma once

#include <pthread.h>

namespace orvane::bytes {

// Starts a helper thread that takes no asynchronous signals: they all go to
// the main thread, whose handlers may rely on what it blocks around its own
// critical steps. False where no thread can be had.
bool startWorkerThread(pthread_t& thread, void* (*run)(void*), void* argument);

} // namespace orvane::bytes
