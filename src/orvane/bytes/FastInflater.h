#pragma once

#include <cstddef>
#include <cstdint>

#include "io/Bytes.h"

namespace orvane::bytes {

// Inflates with ISA-L's igzip, about three times as fast as zlib, while zlib
// inflates the same stream on a second thread to give the verdict: igzip
// accepts some damaged streams that zlib refuses (incomplete or
// over-subscribed code sets), and zlib decides every error. Reached through
// Inflater, inside an Inflater::FastPath scope.
class FastInflater {
public:
    // Whether the fast path pays off: a second usable CPU, idle now, for
    // zlib's check, and a body large enough that the thread costs less than
    // it saves.
    static bool worthwhile(std::size_t compressedLength);
    // igzip's body of a zlib stream, with zlib's check of the same stream
    // left running; the stream's bytes must stay until takeVerdict. Where
    // igzip fails, zlib's verdict is taken at once: its error, or its body.
    static io::Bytes uncompress(const std::uint8_t* data, std::size_t length, std::int32_t maxLength);
    // Waits for zlib's check of the last body that uncompress returned on
    // this thread and raises zlib's error. False when zlib accepted the
    // stream but its body differs from igzip's; true when they agree or no
    // check is pending.
    static bool takeVerdict();
};

} // namespace orvane::bytes
