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
    // Whether a usable CPU is idle at this moment: fewer tasks are ready to
    // run than this process may use CPUs. A second thread only saves time
    // where it does not take a CPU from other work (a batch of runs side by
    // side, for instance).
    static bool idleCpu();
};

} // namespace orvane::bytes
