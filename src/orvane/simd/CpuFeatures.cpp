#include "orvane/simd/CpuFeatures.h"

#include <cstdlib>

#include "io/MessageError.h"

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace orvane::simd {

namespace {

CpuLevel detect() {
#if defined(__x86_64__)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || (ecx & bit_OSXSAVE) == 0) return CpuLevel::Scalar;
    // Which register states the operating system saves: XMM and YMM (bits 1, 2),
    // and for AVX-512 also the opmask and upper ZMM registers (bits 5 to 7).
    unsigned low = 0, high = 0;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    const bool ymmSaved = (low & 0x06) == 0x06;
    const bool zmmSaved = (low & 0xE6) == 0xE6;
    if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return CpuLevel::Scalar;
    if (!ymmSaved || (ebx & bit_AVX2) == 0) return CpuLevel::Scalar;
    if (zmmSaved && (ebx & bit_AVX512F) != 0 && (ebx & bit_AVX512BW) != 0 && (ecx & bit_AVX512VBMI) != 0)
        return CpuLevel::Avx512Vbmi;
    return CpuLevel::Avx2;
#else
    return CpuLevel::Scalar;
#endif
}

CpuLevel detected() {
    static const CpuLevel best = detect();
    return best;
}

constexpr CpuLevel levels[] = {CpuLevel::Scalar, CpuLevel::Avx2, CpuLevel::Avx512Vbmi};

// A value as a refusal shows it: printable ASCII as it is, any other byte as
// \xNN, and at most 32 bytes of it, so that a value holding a newline, or
// thousands of characters, still makes one short line.
std::string shown(const std::string& value) {
    constexpr std::size_t longest = 32;
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < value.size() && i < longest; ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c >= 0x20 && c < 0x7f) {
            text += static_cast<char>(c);
        } else {
            text += "\\x";
            text += digits[c >> 4];
            text += digits[c & 0xF];
        }
    }
    if (value.size() > longest) text += "...";
    return text;
}

// The level TOMEL_CPU asks for, where it is set and this machine has it.
CpuLevel requested() {
    const char* value = std::getenv("TOMEL_CPU");
    if (value == nullptr || *value == '\0') return detected();
    const std::string name = value;
    for (const CpuLevel level : levels) {
        if (name != CpuFeatures::nameOf(level)) continue;
        if (!CpuFeatures::has(level))
            throw io::MessageError("TOMEL_CPU=" + shown(name) + ": this machine's best level is " +
                                   CpuFeatures::nameOf(detected()));
        return level;
    }
    throw io::MessageError("TOMEL_CPU=" + shown(name) + ": not a level (scalar, avx2 or avx512)");
}

} // namespace

CpuLevel CpuFeatures::level() {
    // Raises again at every call while the request cannot be met.
    static const CpuLevel chosen = requested();
    return chosen;
}

bool CpuFeatures::has(CpuLevel level) { return level <= detected(); }

std::string CpuFeatures::nameOf(CpuLevel level) {
    switch (level) {
    case CpuLevel::Scalar:
        return "scalar";
    case CpuLevel::Avx2:
        return "avx2";
    case CpuLevel::Avx512Vbmi:
        return "avx512";
    }
    return "scalar";
}

} // namespace orvane::simd
