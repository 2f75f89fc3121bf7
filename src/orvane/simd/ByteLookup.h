#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "orvane/simd/CpuFeatures.h"

namespace orvane::simd {

using ByteTable = std::array<std::uint8_t, 256>;

// Maps bytes through a 256-entry table: out[i] = table[in[i]]. The pixel loops
// run on it (palette index to plane sample, index to opacity mask), so it uses
// the widest byte permutes the processor has.
class ByteLookup {
public:
    static void map(const std::uint8_t* in, std::size_t n, const ByteTable& table, std::uint8_t* out);
    // The same with the kernel of a level this machine has (CpuFeatures::has):
    // every level must give map's result.
    static void mapAt(CpuLevel level, const std::uint8_t* in, std::size_t n, const ByteTable& table, std::uint8_t* out);
};

} // namespace orvane::simd
