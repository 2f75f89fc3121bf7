#include <pthread.h>

#include "orvane/bytes/BackgroundTask.h"
#include "orvane/bytes/CpuFeatures.h"
#include "orvane/bytes/WorkerThreadPosix.h"

namespace orvane::bytes {

void BackgroundTask::start() {
    started_ = true;
    pthread_t thread;
    if (CpuFeatures::secondCpu() && startWorkerThread(
                                        thread,
                                        [](void* self) -> void* {
                                            static_cast<BackgroundTask*>(self)->task_();
                                            return nullptr;
                                        },
                                        this)) {
        thread_ = reinterpret_cast<void*>(thread);
        threaded_ = true;
        return;
    }
    task_();
}

void BackgroundTask::join() {
    if (!threaded_) return;
    ::pthread_join(reinterpret_cast<pthread_t>(thread_), nullptr);
    threaded_ = false;
}

} // namespace orvane::bytes
