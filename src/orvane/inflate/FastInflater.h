#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "concurrency/Route.h"
#include "io/ByteArray.h"
#include "orvane/inflate/Igzip.h"
#include "orvane/inflate/InflatedBody.h"
#include "orvane/inflate/ZlibInflater.h"

namespace orvane::inflate {

// Inflates with igzip, faster than zlib (docs/design.md has the figure). igzip accepts some
// damaged streams that zlib refuses (incomplete or over-subscribed code
// sets), and zlib decides every error; so a helper thread walks the same
// stream with DeflateCheck, which follows zlib's rules without producing the
// bytes, at less than half of zlib's cost. Where the walk accepts the stream
// and its length and check value match igzip's body, that body is zlib's;
// anywhere else zlib inflates the stream and decides.
class FastInflater {
public:
    // Whether the fast decoder pays off for a body: igzip can be loaded, and
    // the body is large enough that the helper costs less than it saves.
    static bool worthwhile(std::size_t compressedLength);
    // What fills the body: igzip, or a stand-in that tests the verdict where
    // igzip cannot be loaded. Igzip::inflate says what it must do.
    using Decoder = std::optional<ZlibInflater::Summary> (*)(const std::uint8_t* data, std::size_t length,
                                                             std::size_t limit, StreamCheck& check, io::ByteArray& out);
    // The decoder's body of a zlib stream of at most limit bytes, with the
    // check of the stream running on a helper; the stream's bytes must
    // outlive the body's check. Where the route has no helper or none can be
    // had, or the decoder stops short of the stream's end, zlib inflates at
    // once: its error, or its body.
    static InflatedBody inflate(const std::uint8_t* data, std::size_t length, std::size_t limit,
                                concurrency::Route route, Decoder decoder = Igzip::inflate);
};

} // namespace orvane::inflate
