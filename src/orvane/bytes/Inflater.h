#pragma once

#include <cstddef>
#include <cstdint>

#include "io/Bytes.h"

namespace orvane::bytes {

// Inflates a zlib stream (deflate data with a two-byte header and an Adler-32
// check value). Bytes after the check value are ignored.
class Inflater {
public:
    static io::Bytes uncompress(const io::Bytes& bytes);
    // The same over bytes in memory that are not a Bytes of their own.
    static io::Bytes uncompress(const std::uint8_t* data, std::size_t length);
    // As uncompress, but a stream that inflates to more than maxLength bytes
    // fails with "Invalid data" as soon as it passes that length.
    static io::Bytes uncompressAtMost(const std::uint8_t* data, std::size_t length, std::int32_t maxLength);
};

} // namespace orvane::bytes
