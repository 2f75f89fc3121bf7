#include <gtest/gtest.h>

#include "io/BytesBuffer.h"
#include "io/Eof.h"
#include "io/IoError.h"
#include "orvane/bytes/BytesInputWrapper.h"
#include "support/TestHelpers.h"

using io::Bytes;
using io::Eof;
using io::IoError;
using orvane::bytes::BytesInputWrapper;
using orvane::bytes::Endian;

namespace {

Bytes bytesOf(std::initializer_list<int> values) { return Bytes::ofString(tests::bytes(values)); }

bool raisesOutsideBounds(const std::function<void()>& action) { return tests::failureText(action) == "OutsideBounds"; }

} // namespace

TEST(BytesInput, EmptyReaderHasNothingAndReadAllNeverRaises) {
    const Bytes empty;
    BytesInputWrapper input(empty, Endian::LittleEndian);
    EXPECT_EQ(input.position(), 0);
    EXPECT_EQ(input.length(), 0);
    EXPECT_EQ(input.getAbailable(), 0);
    EXPECT_THROW(input.readByte(), Eof);
    EXPECT_EQ(input.readAll().length(), 0);
}

TEST(BytesInput, IntegersInBothByteOrders) {
    const Bytes data = bytesOf({0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x80, 0x01, 0, 0, 0});
    BytesInputWrapper little(data, Endian::LittleEndian);
    EXPECT_EQ(little.readUInt16(), 0x1234);
    EXPECT_EQ(little.readInt32(), -1);
    EXPECT_EQ(little.readInt32(), -2147483647 - 1);
    EXPECT_EQ(little.readInt32(), 1);

    BytesInputWrapper big(data, Endian::BigEndian);
    EXPECT_EQ(big.readUInt16(), 0x3412);
    big.set_bigEndian(false); // affects only later reads
    EXPECT_EQ(big.readInt32(), -1);
    big.set_bigEndian(true);
    EXPECT_EQ(big.readInt32(), 0x00000080);
}

TEST(BytesInput, ShortReadsConsumeWhatIsThereThenRaiseEof) {
    const Bytes one = bytesOf({7});
    BytesInputWrapper a(one);
    EXPECT_THROW(a.readUInt16(), Eof);
    EXPECT_EQ(a.getAbailable(), 0);

    const Bytes three = bytesOf({1, 2, 3});
    BytesInputWrapper b(three);
    EXPECT_THROW(b.readInt32(), Eof);
    EXPECT_EQ(b.position(), 3);

    const Bytes two = bytesOf({1, 2});
    BytesInputWrapper c(two);
    EXPECT_THROW(c.readString(4), Eof);
    EXPECT_EQ(c.getAbailable(), 0);

    BytesInputWrapper d(two);
    EXPECT_THROW(d.read(2147483647), Eof); // a huge claimed length allocates nothing
    EXPECT_EQ(d.getAbailable(), 0);

    BytesInputWrapper e(two);
    EXPECT_THROW(e.skip(3), Eof);
    EXPECT_EQ(e.getAbailable(), 0);
}

TEST(BytesInput, StringsKeepZeroBytesAndTheirFullLength) {
    std::string name = "Sprite";
    name.resize(80, '\0');
    const Bytes data = Bytes::ofString(name + "tail");
    BytesInputWrapper input(data);
    const std::string read = input.readString(80);
    EXPECT_EQ(read.size(), 80u);
    EXPECT_EQ(read, name);
    EXPECT_EQ(input.readString(0), "");
    EXPECT_TRUE(raisesOutsideBounds([&] { input.readString(-1); }));
    EXPECT_EQ(input.getAbailable(), 4);
    EXPECT_EQ(input.read(0).length(), 0);
    EXPECT_EQ(input.read(-5).length(), 0);
    EXPECT_EQ(input.getAbailable(), 4);
}

TEST(BytesInput, WindowsAndDestinationRangesAreChecked) {
    const Bytes data = bytesOf({1, 2, 3, 4});
    BytesInputWrapper atEnd(data, std::nullopt, 4);
    EXPECT_EQ(atEnd.getAbailable(), 0);
    EXPECT_TRUE(raisesOutsideBounds([&] { BytesInputWrapper(data, std::nullopt, 5); }));
    EXPECT_TRUE(raisesOutsideBounds([&] { BytesInputWrapper(data, std::nullopt, -1); }));
    EXPECT_TRUE(raisesOutsideBounds([&] { BytesInputWrapper(data, std::nullopt, 2, 3); }));

    BytesInputWrapper window(data, Endian::LittleEndian, 1, 2);
    EXPECT_EQ(window.length(), 2);
    Bytes target = Bytes::alloc(3);
    EXPECT_TRUE(raisesOutsideBounds([&] { window.readBytes(target, 2, 2); }));
    EXPECT_EQ(window.readBytes(target, 0, 0), 0);
    EXPECT_EQ(window.readBytes(target, 1, 2), 2);
    EXPECT_EQ(target[1], 2);
    EXPECT_EQ(target[2], 3);
    EXPECT_THROW(window.readBytes(target, 0, 1), Eof);
}

TEST(BytesInput, ReadAllTakesTheRest) {
    const Bytes data = bytesOf({9, 8, 7, 6});
    BytesInputWrapper input(data);
    input.readByte();
    const Bytes rest = input.readAll();
    ASSERT_EQ(rest.length(), 3);
    EXPECT_EQ(rest[0], 8);
    EXPECT_EQ(rest[2], 6);
    EXPECT_EQ(input.readAll().length(), 0);
}

// A source that supplies only readByte: every other read must still follow
// the same consumption rules through the generic paths.
class ByteAtATime final : public io::Input {
public:
    explicit ByteAtATime(std::string data) : data_(std::move(data)) {}
    int readByte() override {
        if (next_ >= data_.size()) throw Eof();
        return static_cast<std::uint8_t>(data_[next_++]);
    }
    std::size_t consumed() const { return next_; }

private:
    std::string data_;
    std::size_t next_ = 0;
};

TEST(BytesInput, GenericInputPathsMatchTheBufferReader) {
    ByteAtATime source(std::string("\x01\x02\x03\x04\x05", 5));
    EXPECT_EQ(source.readInt32(), 0x04030201);
    EXPECT_THROW(source.readUInt16(), Eof);
    EXPECT_EQ(source.consumed(), 5u);

    ByteAtATime big(std::string(40000, 'x'));
    EXPECT_EQ(big.readAll().length(), 40000);

    ByteAtATime text(std::string("ab\0d", 4));
    EXPECT_EQ(text.readString(4), std::string("ab\0d", 4));
    EXPECT_THROW(text.read(1), Eof);

    io::Input bare;
    EXPECT_THROW(bare.readByte(), io::Failure);
}
