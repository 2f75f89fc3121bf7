#include <gtest/gtest.h>

#include "orvane/simd/ByteLookup.h"

using orvane::simd::ByteLookup;
using orvane::simd::ByteTable;

TEST(ByteLookup, MapsEveryIndexAtEveryLengthAndAlignment) {
    ByteTable table;
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i * 37 + 11);
    std::vector<std::uint8_t> in(70000);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<std::uint8_t>(i * 131 + (i >> 8));
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 200; ++n) lengths.push_back(n);
    lengths.push_back(65536);
    lengths.push_back(69990);
    for (const std::size_t offset : {0u, 1u, 7u}) {
        for (const std::size_t n : lengths) {
            std::vector<std::uint8_t> out(n + 2, 0xAB);
            ByteLookup::map(in.data() + offset, n, table, out.data() + 1);
            for (std::size_t i = 0; i < n; ++i) ASSERT_EQ(out[i + 1], table[in[offset + i]]) << n << " " << i;
            EXPECT_EQ(out[0], 0xAB);
            EXPECT_EQ(out[n + 1], 0xAB) << "wrote past the end at length " << n;
        }
    }
}
