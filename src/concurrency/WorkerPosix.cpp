#include "concurrency/Worker.h"

#include <sys/mman.h>
#include <unistd.h>

#include <csignal>
#include <pthread.h>

namespace concurrency {

namespace {

// The helpers' deepest frames are the deflate check's code tables, about
// 50 KiB; the default stack (8 MiB) would only take address space.
constexpr std::size_t stackSize = std::size_t{512} << 10;

std::size_t pageSize() {
    static const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return page;
}

// The stack is mapped here and unmapped at the join, with an inaccessible
// page below it: the thread library would keep a stack of its own making
// for later threads, and a process capped by `ulimit -v` must have all of
// its address space back for an attempt on one thread.
void* mapStack() {
    void* mapped =
        ::mmap(nullptr, pageSize() + stackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    if (::mprotect(mapped, pageSize(), PROT_NONE) != 0) {
        ::munmap(mapped, pageSize() + stackSize);
        return nullptr;
    }
    return mapped;
}

} // namespace

bool Worker::startThread() {
    stack_ = mapStack();
    if (stack_ == nullptr) return false;
    pthread_attr_t attributes;
    if (::pthread_attr_init(&attributes) != 0 ||
        ::pthread_attr_setstack(&attributes, static_cast<char*>(stack_) + pageSize(), stackSize) != 0) {
        ::munmap(stack_, pageSize() + stackSize);
        stack_ = nullptr;
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
    if (started) {
        thread_ = static_cast<std::uintptr_t>(thread);
    } else {
        ::munmap(stack_, pageSize() + stackSize);
        stack_ = nullptr;
    }
    return started;
}

void Worker::joinThread() {
    ::pthread_join(static_cast<pthread_t>(thread_), nullptr);
    ::munmap(stack_, pageSize() + stackSize);
    stack_ = nullptr;
}

} // namespace concurrency
