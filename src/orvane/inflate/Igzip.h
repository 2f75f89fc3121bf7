#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "io/ByteArray.h"
#include "orvane/inflate/ZlibInflater.h"

namespace orvane::inflate {

class StreamCheck;

// ISA-L's igzip, faster than zlib (docs/design.md has the figure), loaded for each body
// large enough for it and unloaded after: the program's start-up, and every
// run of small files, does not pay for loading it, and an attempt that goes
// on without it has its address space back.
class Igzip {
public:
    // False where it cannot be loaded (tried once): zlib then does the work alone.
    static bool available();
    // igzip's inflation of the deflate data after the two header bytes into
    // out, grown through the check's prefault up to limit: its length and
    // Adler-32. Nothing where igzip stops short of the stream's end (damaged
    // or cut data, a body beyond limit), or where the check has declined the
    // stream by the time the buffer must grow (a stream zlib refuses early
    // is not inflated into a large buffer): zlib alone decides then.
    static std::optional<ZlibInflater::Summary> inflate(const std::uint8_t* data, std::size_t length, std::size_t limit,
                                                        StreamCheck& check, io::ByteArray& out);
};

} // namespace orvane::inflate
