#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace orvane::inflate {

// Walks raw deflate data as zlib's inflate reads it, decoding every code but
// producing no bytes: what it keeps of the output is a count. It says yes only
// to a stream that zlib (a 32 KiB window, raw mode) inflates without an error:
// every block type and header, complete code sets where zlib wants them,
// no invalid code, no distance before the start. A faster decoder's body
// then stands for zlib's. Its no is not zlib's error: where it refuses, zlib
// must say why (a check that refuses a stream zlib accepts costs time, never
// a wrong answer).
class DeflateCheck {
public:
    struct Accepted {
        std::uint64_t length = 0; // bytes the stream inflates to
        std::size_t used = 0;     // bytes of data up to and including the last block's last bit
    };
    // True, with what the stream inflates to, when zlib would inflate the
    // whole stream from data without error and with at most maxOutput bytes.
    // betweenBlocks, where given, is called after each block with the bytes
    // walked so far: a caller's chance to do a little other work now and then.
    static bool accepts(const std::uint8_t* data, std::size_t length, std::size_t maxOutput, Accepted& accepted,
                        const std::function<void(std::uint64_t)>& betweenBlocks = {});
};

} // namespace orvane::inflate
