#include "orvane/inflate/StreamCheck.h"

#include <algorithm>
#include <limits>

#include "orvane/inflate/DeflateCheck.h"
#include "orvane/simd/Adler32.h"

namespace orvane::inflate {

bool StreamCheck::start(concurrency::Route route) {
    return worker_.start(route, [this] { run(); });
}

ZlibInflater::Summary StreamCheck::verdict() {
    worker_.join();
    if (!known_ && !accepted_) summary_ = ZlibInflater::verify(data_, length_, limit_);
    known_ = true;
    return summary_;
}

// The check, with the prefault between blocks. Where the deflate data is
// accepted, zlib's body has its length, and the stream's stored check value
// is what zlib will compare.
void StreamCheck::run() {
    const std::size_t raw = std::min<std::size_t>(length_ - 2, std::numeric_limits<std::uint32_t>::max());
    DeflateCheck::Accepted accepted;
    const auto betweenBlocks = [this](std::uint64_t walked) { prefault_.ahead(walked); };
    // Where the walk says the data ends, at most limit_ bytes of body and four
    // of check value must still be within the stream.
    if (DeflateCheck::accepts(data_ + 2, raw, limit_, accepted, betweenBlocks) && accepted.length <= limit_ &&
        accepted.used <= raw && raw - accepted.used >= 4) {
        summary_ = {static_cast<std::size_t>(accepted.length), simd::Adler32::stored(data_ + 2 + accepted.used)};
        accepted_ = true;
    }
    finished_.store(true, std::memory_order_release);
}

} // namespace orvane::inflate
