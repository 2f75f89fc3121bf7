// Holds every vector kernel this machine can run to a plain loop on the same
// bytes: Adler-32 and the byte lookup, at every length, alignment and end.
// Byte 0 of the input picks the alignment, bytes 1 to 4 the running Adler-32,
// the next 256 bytes the lookup table; the rest is the data. The data sits at
// the end of a block of its exact size, so that a read past it is caught.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "orvane/simd/Adler32.h"
#include "orvane/simd/ByteLookup.h"
#include "orvane/simd/CpuFeatures.h"

using namespace orvane::simd;

namespace {

std::uint32_t plainAdler32(std::uint32_t adler, const std::uint8_t* data, std::size_t n) {
    std::uint32_t s1 = adler & 0xFFFF, s2 = adler >> 16;
    for (std::size_t i = 0; i < n; ++i) {
        s1 = (s1 + data[i]) % 65521;
        s2 = (s2 + s1) % 65521;
    }
    return s2 << 16 | s1;
}

void mismatch(const char* kernel, CpuLevel level, std::size_t n) {
    std::fprintf(stderr, "%s at level %s differs from the plain loop at length %zu\n", kernel,
                 CpuFeatures::nameOf(level).c_str(), n);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
    if (size < 1 + 4 + 256) return 0;
    const std::size_t alignment = input[0] % 64;
    std::uint32_t adler = 0;
    std::memcpy(&adler, input + 1, 4);
    // A running value is reduced modulo 65521 in both halves.
    adler = (adler >> 16) % 65521 << 16 | (adler & 0xFFFF) % 65521;
    ByteTable table;
    std::memcpy(table.data(), input + 5, table.size());
    const std::size_t n = size - 261;

    const auto block = std::make_unique<std::uint8_t[]>(alignment + n);
    std::uint8_t* data = block.get() + alignment;
    std::memcpy(data, input + 261, n);
    const auto expected = std::make_unique<std::uint8_t[]>(n);
    for (std::size_t i = 0; i < n; ++i) expected[i] = table[data[i]];
    const std::uint32_t expectedAdler = plainAdler32(adler, data, n);

    for (const CpuLevel level : {CpuLevel::Scalar, CpuLevel::Avx2, CpuLevel::Avx512Vbmi}) {
        if (!CpuFeatures::has(level)) continue;
        if (Adler32::updateAt(level, adler, data, n) != expectedAdler) mismatch("Adler32", level, n);
        // Written at the same alignment, into a block of its exact size.
        const auto out = std::make_unique<std::uint8_t[]>(alignment + n);
        ByteLookup::mapAt(level, data, n, table, out.get() + alignment);
        if (std::memcmp(out.get() + alignment, expected.get(), n) != 0) mismatch("ByteLookup", level, n);
    }
    return 0;
}
