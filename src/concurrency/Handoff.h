#pragma once

#include <utility>

#include "concurrency/Mutex.h"

namespace concurrency {

// A one-slot hand-off from a producing thread to a consuming one: one item
// is consumed while at most one more waits its turn. The consumer goes on to
// the waiting one at once, without waiting for the producer to wake, and
// putting another waits until the waiting one is taken. Items are recycled:
// putting one gives back one the consumer is done with (a default one at
// first), so a buffer keeps its capacity from turn to turn.
template <typename Item>
class Handoff {
public:
    // The producer's side. Waits until the slot is free, then swaps item into
    // it. False, with nothing put, once the consumer has failed.
    bool put(Item& item) {
        const Lock lock(mutex_);
        while (queued_) changed_.wait(mutex_);
        if (failed_) return false;
        using std::swap;
        swap(slot_, item);
        queued_ = true;
        changed_.notifyAll();
        return true;
    }
    // Waits until every item put is consumed; false once the consumer failed.
    bool drain() {
        const Lock lock(mutex_);
        while (queued_ || busy_) changed_.wait(mutex_);
        return !failed_;
    }
    // Lets serve() return once every item put has been consumed.
    void close() {
        const Lock lock(mutex_);
        closed_ = true;
        changed_.notifyAll();
    }

    // The consumer's side: consumes each item put, in order, until close().
    // Once consume returns false the hand-off has failed: the items put
    // before the producer learns it are dropped unconsumed.
    template <typename Consume>
    void serve(Consume consume) {
        Lock lock(mutex_);
        for (;;) {
            while (!queued_ && !closed_) changed_.wait(mutex_);
            if (!queued_) return;
            using std::swap;
            swap(inFlight_, slot_);
            queued_ = false;
            busy_ = true;
            changed_.notifyAll();
            const bool skip = failed_;
            lock.unlock();
            const bool consumed = skip || consume(inFlight_);
            lock.lock();
            failed_ = failed_ || !consumed;
            busy_ = false;
            changed_.notifyAll();
        }
    }

private:
    Mutex mutex_;
    Condition changed_;
    Item slot_ TOMEL_GUARDED_BY(mutex_){}; // put, not taken yet (while queued_)
    bool queued_ TOMEL_GUARDED_BY(mutex_) = false;
    bool busy_ TOMEL_GUARDED_BY(mutex_) = false; // an item is being consumed
    bool failed_ TOMEL_GUARDED_BY(mutex_) = false;
    bool closed_ TOMEL_GUARDED_BY(mutex_) = false;
    // The consumer's alone. A member, not a local of serve(), so that the
    // consuming thread never frees memory: the allocator would set up a
    // cache (and maybe an arena) for it, address space a capped process
    // lacks.
    Item inFlight_{};
};

} // namespace concurrency
