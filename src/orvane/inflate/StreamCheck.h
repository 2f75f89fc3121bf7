#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "concurrency/Worker.h"
#include "io/ByteArray.h"
#include "orvane/inflate/Prefault.h"
#include "orvane/inflate/ZlibInflater.h"

namespace orvane::inflate {

// Whether zlib would accept a stream, and what it would make of it: first
// the deflate check on a helper thread, which faults in the fast decoder's
// output buffer ahead of it between blocks; where the check declines, zlib's
// own inflation, which raises zlib's error. The stream's bytes and the buffer
// must outlive the check.
class StreamCheck {
public:
    StreamCheck(const std::uint8_t* data, std::size_t length, std::size_t limit, io::ByteArray& out)
        : data_(data), length_(length), limit_(limit), prefault_(out) {}
    StreamCheck(const StreamCheck&) = delete;
    StreamCheck& operator=(const StreamCheck&) = delete;

    // Starts the check on a helper thread; false where the route has none
    // or none could be had.
    bool start(concurrency::Route route);
    Prefault& prefault() { return prefault_; }
    // Whether the check has ended and found that the deflate data is not
    // what zlib accepts as it is: zlib alone must decide.
    bool declined() const { return finished_.load(std::memory_order_acquire) && !accepted_; }
    // Waits for the check. What zlib makes of the stream, its length and
    // check value; or zlib's error, raised here.
    ZlibInflater::Summary verdict();

private:
    void run();

    const std::uint8_t* data_;
    std::size_t length_;
    std::size_t limit_;
    Prefault prefault_;
    ZlibInflater::Summary summary_; // zlib's, once accepted_ or known_
    bool accepted_ = false;         // by the deflate check, written before finished_
    bool known_ = false;            // zlib's verdict is in summary_
    std::atomic<bool> finished_{false};
    concurrency::Worker worker_; // last: it ends, and waits for the check, first
};

} // namespace orvane::inflate
