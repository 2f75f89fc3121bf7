#include <gtest/gtest.h>

#include "io/Eof.h"
#include "io/IoError.h"
#include "io/MessageError.h"
#include "orvane/images/edg/EdgDecoder.h"
#include "orvane/images/edg/Error.h"
#include "support/EdgWriter.h"
#include "support/TestHelpers.h"

using namespace orvane::images::edg;
using namespace tests;

namespace {

std::unique_ptr<EdgImage> decodeBody(const std::string& body) {
    const io::Bytes bytes = io::Bytes::ofString(writeEdge2(body));
    return EdgDecoder::decode(bytes);
}

std::string u8(int v) { return LeBytes().u8(v).bytes(); }
std::string u16(int v) { return LeBytes().u16(v).bytes(); }
std::string i32(std::int64_t v) { return LeBytes().i32(v).bytes(); }

bool invalidFormat(const std::string& body) {
    return tests::failureText([&] { decodeBody(body); }) == "InvalidFormat";
}

} // namespace

TEST(Edge2Decoder, EmptyBodyAndMissingStream) {
    const auto image = decodeBody("");
    EXPECT_EQ(image->version, Version::Edge2);
    EXPECT_EQ(image->get_numPages(), 0);
    EXPECT_TRUE(image->paletteBank.empty());
    EXPECT_EQ(image->bitDepth, 0);

    const io::Bytes headerOnly = io::Bytes::ofString(LeBytes().str("EDGE").u8(50).zeros(7).bytes());
    EXPECT_THROW(EdgDecoder::decode(headerOnly), io::Eof);
    const io::Bytes shortHeader = io::Bytes::ofString(LeBytes().str("EDGE").u8(50).zeros(3).bytes());
    EXPECT_THROW(EdgDecoder::decode(shortHeader), io::Eof);
    const io::Bytes notZlib = io::Bytes::ofString(LeBytes().str("EDGE").u8(50).zeros(7).str("plain text").bytes());
    EXPECT_THROW(EdgDecoder::decode(notZlib), io::MessageError);
}

TEST(Edge2Decoder, TopLevelChunks) {
    const std::string body = chunk(5000, "abc") + chunk(1000, u8(16)) +
                             chunk(1006, chunk(1000, u16(300)) + chunk(7, "x")) + chunk(3008, chunk(1000, u8(9))) +
                             chunk(3001, u16(1)) + chunk(3002, i32(2));
    const auto image = decodeBody(body);
    EXPECT_EQ(image->bitDepth, 16);
    EXPECT_EQ(image->basePosition, 300);
    EXPECT_EQ(image->transparentColorIndex, 9);

    EXPECT_TRUE(invalidFormat(chunk(1000, u16(8))));
    EXPECT_TRUE(invalidFormat(chunk(3001, u8(1))));
    EXPECT_TRUE(invalidFormat(chunk(3002, u16(1))));
    EXPECT_TRUE(invalidFormat(chunk(1006, chunk(1000, u8(1)))));
    EXPECT_TRUE(invalidFormat(chunk(3008, chunk(1000, u16(1)))));
    EXPECT_THROW(decodeBody(chunk(1000, u8(8)) + "\x01"), io::Eof); // a chunk header cut short
}

TEST(Edge2Decoder, PagesAndTheirFields) {
    const std::string page = chunk(1000, std::string("P\0g\xE9", 4)) + chunk(1005, u16(32)) + chunk(1006, u16(16)) +
                             chunk(3003, i32(-4) + u8(1)) + chunk(3004, i32(7) + u8(0)) + chunk(1007, i32(3)) +
                             chunk(1008, i32(5)) + chunk(2001, i32(1)) + chunk(3000, i32(120)) + chunk(3001, u8(2)) +
                             chunk(3002, "memo") + chunk(3005, u8(0)) + chunk(1001, "skipped");
    const auto image = decodeBody(chunk(2003, page) + chunk(2003, ""));
    ASSERT_EQ(image->get_numPages(), 2);
    const EdgPage& p = *image->pages[0];
    EXPECT_EQ(p.name, std::string("P\0g\xE9", 4));
    EXPECT_EQ(p.width, 32);
    EXPECT_EQ(p.height, 16);
    EXPECT_EQ(p.x, -4);
    EXPECT_TRUE(p.isRelativeX);
    EXPECT_EQ(p.y, 7);
    EXPECT_FALSE(p.isRelativeY);
    EXPECT_EQ(p.paletteBankIndex, 5);
    EXPECT_EQ(p.wait, 120);
    EXPECT_TRUE(p.isTransparent);
    EXPECT_FALSE(p.isAbailable);
    // A block of length 0 reads nothing and keeps the initial values.
    const EdgPage& empty = *image->pages[1];
    EXPECT_EQ(empty.width, 0);
    EXPECT_TRUE(empty.isAbailable);
    EXPECT_EQ(empty.bitDepth, 8);

    for (const auto& [tag, payload] : std::vector<std::pair<int, std::string>>{{1005, u8(1)},
                                                                               {1006, i32(1)},
                                                                               {1007, u16(1)},
                                                                               {1008, u8(1)},
                                                                               {2001, u8(1)},
                                                                               {3000, u8(1)},
                                                                               {3001, u16(1)},
                                                                               {3003, i32(1)},
                                                                               {3004, i32(1) + u16(0)},
                                                                               {3005, u16(1)}}) {
        EXPECT_TRUE(invalidFormat(chunk(2003, chunk(tag, payload)))) << tag;
    }
}

TEST(Edge2Decoder, LayersAppendPixelsAndTakeAnyNonZeroFlag) {
    const std::string layer = chunk(1000, "Ink") + chunk(1005, u8(2)) + chunk(1002, u8(1)) + chunk(1007, u8(1)) +
                              chunk(1006, "\x01\x02\x03\x04") + chunk(1003, "zz") + chunk(1006, "\x05\x06\x07\x08");
    const std::string page = chunk(2003, layer) + chunk(2003, chunk(1005, u8(0)));
    const auto image = decodeBody(chunk(2003, page));
    const EdgPage& p = *image->pages[0];
    ASSERT_EQ(p.get_numLayers(), 2);
    const EdgLayer& ink = *p.layers[0];
    EXPECT_EQ(ink.name, "Ink");
    EXPECT_TRUE(ink.visible);
    EXPECT_TRUE(ink.isChild);
    EXPECT_TRUE(ink.isLocked);
    EXPECT_EQ(ink.imageData, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(ink.parent, &p);
    EXPECT_FALSE(p.layers[1]->visible);

    EXPECT_TRUE(invalidFormat(chunk(2003, chunk(2003, chunk(1002, u16(1))))));
    EXPECT_TRUE(invalidFormat(chunk(2003, chunk(2003, chunk(1005, u16(1))))));
    EXPECT_TRUE(invalidFormat(chunk(2003, chunk(2003, chunk(1007, "")))));
}

TEST(Edge2Decoder, PaletteBlocksEndAfterTheirFirstColourChunk) {
    std::string colours;
    for (int i = 0; i < 256; ++i) colours += u8(i) + u8(1) + u8(255 - i); // blue, green, red
    auto image = decodeBody(chunk(3003, chunk(1004, "skip") + chunk(1005, colours)) + chunk(3003, ""));
    ASSERT_EQ(image->paletteBank.size(), 2u);
    ASSERT_EQ(image->paletteBank[0].size(), 256u);
    EXPECT_EQ(image->paletteBank[0][0].value, 0xFF0100);
    EXPECT_EQ(image->paletteBank[0][255].value, 0x0001FF);
    EXPECT_TRUE(image->paletteBank[1].empty());

    // L = 7: two colours; the seventh byte starts the next top-level chunk
    // header (tag 0x1388 = 5000, unknown, length 0).
    image = decodeBody(chunk(3003, chunk(1005, "\x01\x02\x03\x04\x05\x06\x88")) + "\x13" + i32(0));
    ASSERT_EQ(image->paletteBank[0].size(), 2u);
    EXPECT_EQ(image->paletteBank[0][1].value, 0x060504);

    // What follows the colours in the block is read as top-level chunks.
    image = decodeBody(chunk(3003, chunk(1005, "\x01\x02\x03") + chunk(1000, u8(12))));
    EXPECT_EQ(image->bitDepth, 12);

    // A colour chunk claiming 2 GB in a small body ends in Eof, allocating nothing.
    EXPECT_THROW(decodeBody(chunk(3003, chunkWithLength(1005, 2147483646, "\x01\x02\x03"))), io::Eof);
}

TEST(Edge2Decoder, BlockCountsFollowDeclaredLengths) {
    // The page block declares 6 bytes, but its only sub-chunk declares 2 more:
    // the block ends after it and the next chunk is read from where it stopped.
    const std::string overrun = chunkWithLength(2003, 6, chunk(1005, u16(40))) + chunk(1000, u8(4));
    const auto image = decodeBody(overrun);
    ASSERT_EQ(image->get_numPages(), 1);
    EXPECT_EQ(image->pages[0]->width, 40);
    EXPECT_EQ(image->bitDepth, 4);
}

TEST(Edge2Decoder, HostileLengths) {
    auto outsideBounds = [](const std::string& body) {
        return tests::failureText([&] { decodeBody(body); }) == "OutsideBounds";
    };
    EXPECT_TRUE(outsideBounds(chunk(2003, chunkWithLength(1000, -1, ""))));
    EXPECT_TRUE(outsideBounds(chunk(2003, chunkWithLength(3002, -5, ""))));
    EXPECT_TRUE(outsideBounds(chunk(2003, chunk(2003, chunkWithLength(1000, -2, "")))));
    EXPECT_THROW(decodeBody(chunkWithLength(5000, 2147483647, "abc")), io::Eof);
    EXPECT_THROW(decodeBody(chunk(2003, chunk(2003, chunkWithLength(1006, 2147483647, "abc")))), io::Eof);
    EXPECT_THROW(decodeBody(chunkWithLength(2003, 2147483647, "")), io::Eof);
    // A negative length skips nothing; the walk goes on from there.
    const auto image = decodeBody(chunkWithLength(5000, -1, "") + chunk(1000, u8(3)));
    EXPECT_EQ(image->bitDepth, 3);
}
