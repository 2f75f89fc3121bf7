#pragma once

#include <cstddef>
#include <cstdint>

#include "orvane/simd/CpuFeatures.h"

namespace orvane::simd {

// The Adler-32 checksum of zlib streams, vectorised where the processor allows.
class Adler32 {
public:
    static constexpr std::uint32_t INITIAL = 1;
    static std::uint32_t update(std::uint32_t adler, const std::uint8_t* data, std::size_t length);
    // The same with the kernel of a level this machine has (CpuFeatures::has):
    // every level must give update's result.
    static std::uint32_t updateAt(CpuLevel level, std::uint32_t adler, const std::uint8_t* data, std::size_t length);
    // The value a zlib stream stores after its deflate data, most significant
    // byte first.
    static std::uint32_t stored(const std::uint8_t* p) {
        return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
    }
};

} // namespace orvane::simd
