#include <gtest/gtest.h>

#include <functional>

#include "orvane/simd/ByteLookup.h"
#include "orvane/simd/PairLookup.h"

using orvane::simd::ByteLookup;
using orvane::simd::ByteTable;
using orvane::simd::CpuFeatures;
using orvane::simd::CpuLevel;
using orvane::simd::PairLookup;

namespace {

using Mapper = std::function<void(const std::uint8_t*, std::size_t, std::uint8_t*)>;

ByteTable testTable() {
    ByteTable table;
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i * 37 + 11);
    return table;
}

// Every length up to 200 and a few long ones, at three alignments; the input
// starts with every pair of bytes, in either order of the pair's halves.
void expectMapsAsTheTable(const ByteTable& table, const Mapper& map) {
    std::vector<std::uint8_t> in(140000);
    for (std::size_t i = 0; i < in.size(); ++i) {
        const std::size_t pair = i / 2;
        in[i] = static_cast<std::uint8_t>(i % 2 == 0 ? pair : pair >> 8);
    }
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 200; ++n) lengths.push_back(n);
    lengths.push_back(65536);
    lengths.push_back(139990);
    for (const std::size_t offset : {0u, 1u, 7u}) {
        for (const std::size_t n : lengths) {
            std::vector<std::uint8_t> out(n + 2, 0xAB);
            map(in.data() + offset, n, out.data() + 1);
            for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(out[i + 1], table[in[offset + i]]) << n << " " << i;
            EXPECT_EQ(out[0], 0xAB);
            EXPECT_EQ(out[n + 1], 0xAB) << "wrote past the end at length " << n;
        }
    }
}

} // namespace

TEST(ByteLookup, MapsEveryIndexAtEveryLengthAndAlignment) {
    const ByteTable table = testTable();
    expectMapsAsTheTable(
        table, [&](const std::uint8_t* in, std::size_t n, std::uint8_t* out) { ByteLookup::map(in, n, table, out); });
}

// The pair table where it is built (a megabyte expected, at every level this
// machine has) and the plain lookup where it is not.
TEST(ByteLookup, PairLookupMapsAsTheTableWhetherOrNotItBuildsPairs) {
    const ByteTable table = testTable();
    for (const CpuLevel level : {CpuLevel::Scalar, CpuLevel::Avx2, CpuLevel::Avx512Vbmi}) {
        if (!CpuFeatures::has(level)) continue;
        for (const std::size_t expected : {std::size_t{0}, std::size_t{1} << 20}) {
            SCOPED_TRACE(CpuFeatures::nameOf(level) + " expecting " + std::to_string(expected));
            const PairLookup lookup(table, expected, level);
            expectMapsAsTheTable(
                table, [&](const std::uint8_t* in, std::size_t n, std::uint8_t* out) { lookup.map(in, n, out); });
        }
    }
}
