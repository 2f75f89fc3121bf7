#include "orvane/simd/Adler32.h"

#include <algorithm>
#include <zlib.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace orvane::simd {

namespace {

std::uint32_t updateScalar(std::uint32_t adler, const std::uint8_t* data, std::size_t length) {
    while (length > 0) {
        // zlib takes an unsigned int length.
        const std::size_t n = std::min<std::size_t>(length, 1u << 30);
        adler = static_cast<std::uint32_t>(adler32_z(adler, data, n));
        data += n;
        length -= n;
    }
    return adler;
}

#if defined(__x86_64__)
constexpr std::uint64_t base = 65521;
// Bytes taken between reductions modulo 65521. The byte sums run in 64-bit
// lanes; the weighted sums run in 32-bit lanes and gain at most 31110 a lane
// per 32 bytes, so rounds of zlib's NMAX (5552 bytes) keep them, and their
// sum over the eight lanes, far below 2^32.
constexpr std::size_t chunkMax = 5552;

template <typename T>
__attribute__((target("avx2"))) std::uint64_t laneSum(__m256i v) {
    alignas(32) T lanes[32 / sizeof(T)];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), v);
    std::uint64_t sum = 0;
    for (const T lane : lanes) sum += lane;
    return sum;
}

// 32 bytes a step. For a block b0..b31 entered with running sum S:
// s1 += sum(b), s2 += 32 * S + sum((32 - i) * b_i).
__attribute__((target("avx2"))) std::uint32_t updateAvx2(std::uint32_t adler, const std::uint8_t* data,
                                                         std::size_t length) {
    std::uint64_t s1 = adler & 0xFFFF;
    std::uint64_t s2 = adler >> 16;
    const __m256i zero = _mm256_setzero_si256();
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i weights = _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14,
                                             13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
    while (length >= 32) {
        const std::size_t chunk = std::min(length, chunkMax) & ~std::size_t{31};
        __m256i byteSums = zero;    // sum of the bytes so far in this chunk, in 64-bit lanes
        __m256i earlierSums = zero; // sum over blocks of byteSums before the block
        __m256i weighted = zero;
        for (std::size_t done = 0; done < chunk; done += 32) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + done));
            earlierSums = _mm256_add_epi64(earlierSums, byteSums);
            byteSums = _mm256_add_epi64(byteSums, _mm256_sad_epu8(v, zero));
            weighted = _mm256_add_epi32(weighted, _mm256_madd_epi16(_mm256_maddubs_epi16(v, weights), ones));
        }
        s2 = (s2 + chunk * s1 + laneSum<std::uint32_t>(weighted) + 32 * laneSum<std::uint64_t>(earlierSums)) % base;
        s1 = (s1 + laneSum<std::uint64_t>(byteSums)) % base;
        data += chunk;
        length -= chunk;
    }
    for (std::size_t i = 0; i < length; ++i) {
        s1 += data[i];
        s2 += s1;
    }
    return static_cast<std::uint32_t>((s2 % base) << 16 | (s1 % base));
}

#endif

} // namespace

std::uint32_t Adler32::update(std::uint32_t adler, const std::uint8_t* data, std::size_t length) {
    return updateAt(CpuFeatures::level(), adler, data, length);
}

std::uint32_t Adler32::updateAt(CpuLevel level, std::uint32_t adler, const std::uint8_t* data, std::size_t length) {
#if defined(__x86_64__)
    if (level >= CpuLevel::Avx2) return updateAvx2(adler, data, length);
#endif
    (void)level;
    return updateScalar(adler, data, length);
}

} // namespace orvane::simd
