#pragma once

#include <string>

namespace orvane::simd {

// The kernels' levels, each one a superset of the one before it.
enum class CpuLevel {
    Scalar,
    Avx2,
    // AVX-512 F, BW and VBMI together: the 64-byte byte permutes.
    Avx512Vbmi,
};

// The vector instruction sets the processor and the operating system both
// support, asked once on first use (not at start-up: every conversion of a
// tiny file pays for start-up), and the level the kernels run at.
class CpuFeatures {
public:
    // The level every kernel dispatches on: the best this machine has, or a
    // lower one named by the environment variable TOMEL_CPU ("scalar",
    // "avx2", "avx512"), so that the tests can run every kernel on a machine
    // that has a better one. A name that is not a level, or a level this
    // machine lacks, raises a MessageError that says so: nothing runs on it.
    static CpuLevel level();
    // Whether this machine can run a level's kernels, whatever TOMEL_CPU says.
    static bool has(CpuLevel level);
    static std::string nameOf(CpuLevel level);
};

} // namespace orvane::simd
