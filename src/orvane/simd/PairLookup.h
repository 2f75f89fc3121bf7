#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "orvane/simd/ByteLookup.h"

namespace orvane::simd {

// A ByteTable prepared for much mapping. Where the processor has no byte
// permute kernel (WebAssembly, x86 before AVX-512 VBMI), a lookup is a load
// and a store a byte; this one looks up two bytes at a time in a table of
// every pair of indices (128 KiB), halving both, which made a large plane's
// lookup more than twice as fast in WebAssembly. Building that table costs
// about as much as mapping a quarter of a megabyte the plain way, so it is
// built only for a megabyte of mapping or more; otherwise, and where the
// processor has the kernel, map is ByteLookup::map's.
class PairLookup {
public:
    PairLookup() : PairLookup(ByteTable{}, 0) {}
    // For about `expected` bytes of mapping through `table`, at the
    // processor's level or a lower one.
    PairLookup(const ByteTable& table, std::size_t expected, CpuLevel level = CpuFeatures::level());

    // out[i] = table[in[i]], for i below n.
    void map(const std::uint8_t* in, std::size_t n, std::uint8_t* out) const;

private:
    ByteTable table_;
    CpuLevel level_;
    // By a pair of input bytes as they lie in memory: their two outputs, in
    // the same order. Empty where the plain lookup serves.
    std::vector<std::uint16_t> pairs_;
};

} // namespace orvane::simd
