#include "orvane/simd/PairLookup.h"

#include <cstring>

namespace orvane::simd {

namespace {

// Below this much mapping, building the pair table costs more than it saves.
constexpr std::size_t worthPairs = std::size_t{1} << 20;

} // namespace

PairLookup::PairLookup(const ByteTable& table, std::size_t expected, CpuLevel level) : table_(table), level_(level) {
    if (expected < worthPairs || level >= CpuLevel::Avx512Vbmi) return;
    pairs_.resize(std::size_t{1} << 16);
    for (std::size_t high = 0; high < 256; ++high) {
        std::uint16_t* row = pairs_.data() + (high << 8);
        const std::uint32_t highValue = table[high];
        for (std::size_t low = 0; low < 256; ++low) {
            const std::uint32_t lowValue = table[low];
            // Each half of a key maps to the same half of its value, so the
            // table holds on a machine of either byte order.
            row[low] = static_cast<std::uint16_t>(lowValue | highValue << 8);
        }
    }
}

void PairLookup::map(const std::uint8_t* in, std::size_t n, std::uint8_t* out) const {
    if (pairs_.empty()) {
        ByteLookup::mapAt(level_, in, n, table_, out);
        return;
    }
    const std::uint16_t* pairs = pairs_.data();
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint16_t keys[4];
        std::memcpy(keys, in + i, sizeof keys);
        const std::uint16_t values[4] = {pairs[keys[0]], pairs[keys[1]], pairs[keys[2]], pairs[keys[3]]};
        std::memcpy(out + i, values, sizeof values);
    }
    for (; i < n; ++i) out[i] = table_[in[i]];
}

} // namespace orvane::simd
