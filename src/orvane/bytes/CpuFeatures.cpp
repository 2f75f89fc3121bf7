#include "orvane/bytes/CpuFeatures.h"

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace orvane::bytes {

namespace {

struct Features {
    bool avx2 = false;
    bool avx512Vbmi = false;
};

Features detect() {
    Features features;
#if defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || (ecx & bit_OSXSAVE) == 0) return features;
    // Which register states the operating system saves: XMM and YMM (bits 1, 2),
    // and for AVX-512 also the opmask and upper ZMM registers (bits 5 to 7).
    unsigned low = 0, high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    const bool ymmSaved = (low & 0x06) == 0x06;
    const bool zmmSaved = (low & 0xE6) == 0xE6;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return features;
    features.avx2 = ymmSaved && (ebx & bit_AVX2) != 0;
    features.avx512Vbmi =
        zmmSaved && (ebx & bit_AVX512F) != 0 && (ebx & bit_AVX512BW) != 0 && (ecx & bit_AVX512VBMI) != 0;
#endif
    return features;
}

const Features& features() {
    static const Features detected = detect();
    return detected;
}

} // namespace

bool CpuFeatures::avx2() { return features().avx2; }

bool CpuFeatures::avx512Vbmi() { return features().avx512Vbmi; }

} // namespace orvane::bytes
