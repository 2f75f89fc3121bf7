#pragma once

#include <cstddef>
#include <cstdint>

#include "io/Bytes.h"

namespace orvane::bytes {

// Inflates with ISA-L's igzip, about three times as fast as zlib. igzip
// accepts some damaged streams that zlib refuses (incomplete or
// over-subscribed code sets), and zlib decides every error; so a second
// thread walks the same stream with DeflateCheck, which follows zlib's rules
// without producing the bytes, at less than half of zlib's cost. Where the
// walk accepts the stream and its length and check value match igzip's body,
// that body is zlib's; anywhere else zlib inflates the stream and decides.
// Reached through Inflater, inside an Inflater::FastPath scope.
class FastInflater {
public:
    // Whether the fast path pays off: a second usable CPU for the check, and
    // a body large enough that the thread costs less than it saves.
    static bool worthwhile(std::size_t compressedLength);
    // igzip's body of a zlib stream, with the check of the same stream left
    // running; the stream's bytes must stay until takeVerdict. Where igzip
    // fails, zlib inflates at once: its error, or its body.
    static io::Bytes uncompress(const std::uint8_t* data, std::size_t length, std::int32_t maxLength);
    // Waits for the check of the last body that uncompress returned on this
    // thread, and where it declines, raises zlib's error. False when zlib
    // accepts the stream but its body differs from igzip's; true when they
    // agree or no check is pending.
    static bool takeVerdict();
};

} // namespace orvane::bytes
