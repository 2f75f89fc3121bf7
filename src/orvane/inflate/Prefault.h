#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "concurrency/Mutex.h"
#include "io/ByteArray.h"

namespace orvane::inflate {

// igzip's output buffer, faulted in just ahead of igzip by the check's
// thread, between the blocks it walks: the kernel's work of providing the
// pages runs beside the inflation instead of inside it. At most a megabyte
// ahead, so at most that much beyond the body; and past the first 256 MiB
// only while the walk is ahead of igzip: the check's verdict comes first (a
// stream zlib refuses early must be refused before igzip has grown a large
// buffer of it).
class Prefault {
public:
    explicit Prefault(io::ByteArray& out) : out_(out), capacity_(out.size()) {}

    // igzip's progress, from the inflating thread.
    void inflated(std::size_t produced) { inflated_.store(produced, std::memory_order_relaxed); }
    // Grows the buffer, from the inflating thread; no page of it is touched
    // meanwhile.
    void grow(std::size_t size);
    // Ends every use of the buffer: it is done, or about to go.
    void stop();
    // On the check's thread, with the bytes the walk has reached.
    void ahead(std::uint64_t walked);

private:
    // The platform's part (PrefaultLinux.cpp, PrefaultOneThread.cpp): has the
    // system provide the pages of [from, to) now; false where it cannot.
    static bool populate(std::uint8_t* from, std::uint8_t* to);

    concurrency::Mutex mutex_;
    io::ByteArray& out_ TOMEL_GUARDED_BY(mutex_);
    std::size_t capacity_ TOMEL_GUARDED_BY(mutex_);
    std::size_t faulted_ TOMEL_GUARDED_BY(mutex_) = 0;
    bool stopped_ TOMEL_GUARDED_BY(mutex_) = false;
    std::atomic<std::size_t> inflated_{0};
};

} // namespace orvane::inflate
