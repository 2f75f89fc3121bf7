#pragma once

#include <cstddef>
#include <cstdint>

#include "concurrency/Route.h"
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

    // The body of a stream with zlib's verdict on it. On the helped route,
    // where the body is large enough, the fast decoder does the work with
    // zlib's rules checked beside it, and the verdict is still to be asked
    // for (InflatedBody::confirm); on the one-thread route zlib alone does.
    static inflate::InflatedBody inflate(const std::uint8_t* data, std::size_t length, concurrency::Route route);
};

} // namespace orvane::bytes
