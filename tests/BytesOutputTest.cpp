#include <gtest/gtest.h>

#include "io/BytesOutput.h"
#include "io/IoError.h"
#include "support/TestHelpers.h"

using io::BytesOutput;
using io::IoError;

namespace {

std::string bytesOf(BytesOutput& out) { return out.getBytes().toString(); }

std::string hex(std::initializer_list<int> values) { return tests::bytes(values); }

bool overflows(const std::function<void()>& action) { return tests::failureText(action) == "Overflow"; }

} // namespace

TEST(BytesOutput, BytesAndIntegersInBothOrders) {
    BytesOutput big;
    big.set_bigEndian(true);
    big.writeByte(256);
    big.writeByte(-1);
    big.writeInt16(-1);
    big.writeInt16(-32768);
    big.writeUInt16(65535);
    big.writeInt32(258);
    big.writeInt32(-1);
    EXPECT_EQ(bytesOf(big), hex({0x00, 0xFF, 0xFF, 0xFF, 0x80, 0x00, 0xFF, 0xFF, 0, 0, 1, 2, 0xFF, 0xFF, 0xFF, 0xFF}));

    BytesOutput little;
    little.writeInt32(258);
    little.writeUInt16(0x1234);
    EXPECT_EQ(bytesOf(little), hex({2, 1, 0, 0, 0x34, 0x12}));
}

TEST(BytesOutput, SixteenBitRangeChecksWriteNothing) {
    BytesOutput out;
    out.set_bigEndian(true);
    EXPECT_TRUE(overflows([&] { out.writeInt16(32768); }));
    EXPECT_TRUE(overflows([&] { out.writeInt16(-32769); }));
    EXPECT_TRUE(overflows([&] { out.writeUInt16(-1); }));
    EXPECT_TRUE(overflows([&] { out.writeUInt16(65536); }));
    EXPECT_EQ(out.length(), 0);
}

TEST(BytesOutput, StringsAndBuffersGoOutUnchanged) {
    BytesOutput out;
    out.writeString("");
    out.write(io::Bytes());
    EXPECT_EQ(out.length(), 0);
    out.writeString(std::string("a\0b", 3));
    const io::Bytes source = io::Bytes::ofString("xyz");
    out.writeBytes(source, 1, 2);
    EXPECT_THROW(out.writeBytes(source, 2, 2), IoError);
    EXPECT_EQ(bytesOf(out), std::string("a\0byz", 5));

    BytesOutput never;
    EXPECT_EQ(never.getBytes().length(), 0);
}

TEST(BytesOutput, ManySingleBytesComeBackInOrder) {
    BytesOutput out;
    for (int i = 0; i < 300000; ++i) out.writeByte(i * 31);
    const io::Bytes bytes = out.getBytes();
    ASSERT_EQ(bytes.length(), 300000);
    for (int i = 0; i < 300000; ++i) ASSERT_EQ(bytes[i], static_cast<std::uint8_t>(i * 31));
}
