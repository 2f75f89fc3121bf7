#include "concurrency/Worker.h"

#include <csignal>
#include <pthread.h>

namespace concurrency {

namespace {

// The helpers' deepest frames are the deflate check's code tables, about
// 50 KiB; the default stack (8 MiB) would only take address space.
constexpr std::size_t stackSize = std::size_t{512} << 10;

} // namespace

bool Worker::startThread() {
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0) return false;
    if (::pthread_attr_setstacksize(&attributes, stackSize) != 0) {
        ::pthread_attr_destroy(&attributes);
        return false;
    }
    // A new thread inherits the creating thread's signal mask.
    sigset_t all, previous;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &previous);
    pthread_t thread;
    const bool started = ::pthread_create(
                             &thread, &attributes,
                             [](void* self) -> void* {
                                 static_cast<Worker*>(self)->run();
                                 return nullptr;
                             },
                             this) == 0;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::pthread_attr_destroy(&attributes);
    if (started) thread_ = static_cast<std::uintptr_t>(thread);
    return started;
}

void Worker::joinThread() { ::pthread_join(static_cast<pthread_t>(thread_), nullptr); }

} // namespace concurrency
