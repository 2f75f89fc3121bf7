#pragma once

#include <cstddef>
#include <cstdint>

#include "io/Bytes.h"

namespace orvane::bytes {

// Inflates a zlib stream (deflate data with a two-byte header and an Adler-32
// check value). Bytes after the check value are ignored.
//
// zlib's verdict decides every error. Inside a FastPath scope, where the
// build has a faster decoder and the body is large enough, that decoder does
// the work while a second thread checks the same stream against zlib's rules:
// the body is returned at once, and takeVerdict gives zlib's verdict later.
class Inflater {
public:
    // The fast path for the current thread while the scope lives.
    class FastPath {
    public:
        explicit FastPath(bool enabled);
        ~FastPath();
        FastPath(const FastPath&) = delete;
        FastPath& operator=(const FastPath&) = delete;

    private:
        bool previous_;
    };
    // zlib's verdict on the last body uncompress returned on this thread
    // through the fast path: raises zlib's error (as uncompress would have);
    // false when zlib accepted the stream but made another body of it (then
    // inflate again without the fast path); true when they agree, or when
    // zlib alone did the work. The compressed bytes must stay until then.
    static bool takeVerdict();

    static io::Bytes uncompress(const io::Bytes& bytes);
    // The same over bytes in memory that are not a Bytes of their own.
    static io::Bytes uncompress(const std::uint8_t* data, std::size_t length);
    // As uncompress, but a stream that inflates to more than maxLength bytes
    // fails with "Invalid data" as soon as it passes that length.
    static io::Bytes uncompressAtMost(const std::uint8_t* data, std::size_t length, std::int32_t maxLength);

    // What a successful inflation gave: its length and Adler-32.
    struct Summary {
        std::size_t length = 0;
        std::uint32_t adler = 0;
    };
    // Inflates as uncompressAtMost does, with the same errors, but keeps
    // nothing of the output but its summary: zlib's window and a small
    // scratch buffer are all the memory it takes.
    static Summary verify(const std::uint8_t* data, std::size_t length, std::int32_t maxLength);
    // Raises what inflating raises for a stream whose two header bytes are
    // missing or refused (not deflate, bad check bits, a preset dictionary).
    static void checkHeader(const std::uint8_t* data, std::size_t length);
    // The first size of an output buffer for this many compressed bytes; it
    // doubles from there.
    static std::size_t firstCapacity(std::size_t compressedLength);
};

} // namespace orvane::bytes
