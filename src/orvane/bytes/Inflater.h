#pragma once

#include <cstddef>
#include <cstdint>

#include "io/Bytes.h"
#include "orvane/inflate/InflatedBody.h"

namespace orvane::bytes {

// Inflates a zlib stream (deflate data with a two-byte header and an Adler-32
// check value). Bytes after the check value are ignored. zlib's verdict
// decides every error.
class Inflater {
public:
    static io::Bytes uncompress(const io::Bytes& bytes);
    // The same over bytes in memory that are not a Bytes of their own.
    static io::Bytes uncompress(const std::uint8_t* data, std::size_t length);
    // As uncompress, but a stream that inflates to more than maxLength bytes
    // fails with "Invalid data" as soon as it passes that length.
    static io::Bytes uncompressAtMost(const std::uint8_t* data, std::size_t length, std::int32_t maxLength);

    // Who may inflate a body: zlib alone, or, where the caller has a CPU for
    // a helper thread, the fast decoder with zlib's rules checked beside it.
    enum class Route { ZlibAlone, FastChecked };
    // The body of a stream with zlib's verdict on it: where the route and the
    // body's size let the fast decoder do the work, the verdict is still to
    // be asked for (InflatedBody::confirm).
    static inflate::InflatedBody inflate(const std::uint8_t* data, std::size_t length, Route route);
};

} // namespace orvane::bytes
