#include "orvane/simd/ByteLookup.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace orvane::simd {

namespace {

void mapScalar(const std::uint8_t* in, std::size_t n, const ByteTable& table, std::uint8_t* out) {
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        out[i] = table[in[i]];
        out[i + 1] = table[in[i + 1]];
        out[i + 2] = table[in[i + 2]];
        out[i + 3] = table[in[i + 3]];
    }
    for (; i < n; ++i) out[i] = table[in[i]];
}

#if defined(__x86_64__)
// 64 lookups at a time: two two-register permutes cover the 256 entries
// (the low seven bits of an index pick within 128), the top bit chooses.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void mapVbmi(const std::uint8_t* in, std::size_t n,
                                                                    const ByteTable& table, std::uint8_t* out) {
    const __m512i t0 = _mm512_loadu_si512(table.data());
    const __m512i t1 = _mm512_loadu_si512(table.data() + 64);
    const __m512i t2 = _mm512_loadu_si512(table.data() + 128);
    const __m512i t3 = _mm512_loadu_si512(table.data() + 192);
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m512i index = _mm512_loadu_si512(in + i);
        const __m512i low = _mm512_permutex2var_epi8(t0, index, t1);
        const __m512i high = _mm512_permutex2var_epi8(t2, index, t3);
        _mm512_storeu_si512(out + i, _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high));
    }
    if (i < n) {
        const __mmask64 tail = _cvtu64_mask64((~std::uint64_t{0}) >> (64 - (n - i)));
        const __m512i index = _mm512_maskz_loadu_epi8(tail, in + i);
        const __m512i low = _mm512_permutex2var_epi8(t0, index, t1);
        const __m512i high = _mm512_permutex2var_epi8(t2, index, t3);
        _mm512_mask_storeu_epi8(out + i, tail, _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high));
    }
}

#endif

} // namespace

void ByteLookup::map(const std::uint8_t* in, std::size_t n, const ByteTable& table, std::uint8_t* out) {
    mapAt(CpuFeatures::level(), in, n, table, out);
}

void ByteLookup::mapAt(CpuLevel level, const std::uint8_t* in, std::size_t n, const ByteTable& table,
                       std::uint8_t* out) {
#if defined(__x86_64__)
    if (level >= CpuLevel::Avx512Vbmi) {
        mapVbmi(in, n, table, out);
        return;
    }
#endif
    (void)level;
    mapScalar(in, n, table, out);
}

} // namespace orvane::simd
