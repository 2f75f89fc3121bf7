#pragma once

namespace orvane::bytes {

// Vector instruction sets the processor and the operating system both
// support, asked once on first use (not at start-up: every conversion of a
// tiny file pays for start-up).
class CpuFeatures {
public:
    static bool avx2();
    // AVX-512 F, BW and VBMI together: the 64-byte byte permutes.
    static bool avx512Vbmi();
};

} // namespace orvane::bytes
