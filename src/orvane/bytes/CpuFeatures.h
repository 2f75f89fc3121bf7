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
    // Whether this process may run on two CPUs or more (its affinity mask,
    // as taskset sets it), so that a second thread runs beside the first.
    static bool secondCpu();
};

} // namespace orvane::bytes
