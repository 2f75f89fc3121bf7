#pragma once

#include <condition_variable>
#include <mutex>

#include "concurrency/ThreadSafety.h"

namespace concurrency {

// A mutex the thread-safety analysis knows: members it guards are declared
// TOMEL_GUARDED_BY it, and every access is checked to hold it.
class TOMEL_CAPABILITY("mutex") Mutex {
public:
    void lock() TOMEL_ACQUIRE() { mutex_.lock(); }
    void unlock() TOMEL_RELEASE() { mutex_.unlock(); }

private:
    friend class Condition;
    std::mutex mutex_;
};

// Holds a Mutex for its scope, but while it is let go for a slow step.
class TOMEL_SCOPED_CAPABILITY Lock {
public:
    explicit Lock(Mutex& mutex) TOMEL_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~Lock() TOMEL_RELEASE() {
        if (held_) mutex_.unlock();
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    void unlock() TOMEL_RELEASE() {
        mutex_.unlock();
        held_ = false;
    }
    void lock() TOMEL_ACQUIRE() {
        mutex_.lock();
        held_ = true;
    }

private:
    Mutex& mutex_;
    bool held_ = true;
};

// A condition waited for with a Mutex held. The caller loops on its own
// predicate, so the analysis sees the guarded members read with the lock.
class Condition {
public:
    // Releases the mutex while waiting; holds it again on return.
    void wait(Mutex& mutex) TOMEL_REQUIRES(mutex) {
        std::unique_lock held(mutex.mutex_, std::adopt_lock);
        changed_.wait(held);
        held.release();
    }
    void notifyAll() { changed_.notify_all(); }

private:
    std::condition_variable changed_;
};

} // namespace concurrency
