#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "io/Bytes.h"

namespace orvane::inflate {

// zlib's inflation of a zlib stream (deflate data with a two-byte header and
// an Adler-32 check value), with every error the program reports for a
// damaged body. zlib's verdict decides every error: any faster decoder is
// held to what this one says. Bytes after the check value are ignored.
class ZlibInflater {
public:
    // What a successful inflation gave: its length and Adler-32.
    struct Summary {
        std::size_t length = 0;
        std::uint32_t adler = 0;
    };
    // The largest body there can be: a Bytes length is a signed 32-bit value.
    static constexpr std::size_t MAX_BODY = std::numeric_limits<std::int32_t>::max();

    // The body of a stream that inflates to at most limit bytes; one that
    // passes the limit fails with "Invalid data" as soon as it does.
    static io::Bytes inflate(const std::uint8_t* data, std::size_t length, std::size_t limit);
    // Inflates as inflate does, with the same errors, but keeps nothing of
    // the output but its summary: zlib's window and a small scratch buffer
    // are all the memory it takes.
    static Summary verify(const std::uint8_t* data, std::size_t length, std::size_t limit);
    // Raises what inflating raises for a stream whose two header bytes are
    // missing or refused (not deflate, bad check bits, a preset dictionary).
    static void checkHeader(const std::uint8_t* data, std::size_t length);
    // The first size of an output buffer for this many compressed bytes; it
    // doubles from there.
    static std::size_t firstCapacity(std::size_t compressedLength);
};

} // namespace orvane::inflate
