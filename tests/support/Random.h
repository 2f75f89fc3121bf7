#pragma once

#include <cstdint>

namespace tests {

// A small deterministic generator, so every run writes the same files.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint32_t next() {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state_ >> 33);
    }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }

private:
    std::uint64_t state_;
};

} // namespace tests
