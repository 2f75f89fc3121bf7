#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::bytes {

// The Adler-32 checksum of zlib streams, vectorised where the processor allows.
class Adler32 {
public:
    static constexpr std::uint32_t INITIAL = 1;
    static std::uint32_t update(std::uint32_t adler, const std::uint8_t* data, std::size_t length);
};

} // namespace orvane::bytes
