#include <gtest/gtest.h>

#include "io/Eof.h"
#include "orvane/images/edg/EdgDecoder.h"
#include "orvane/images/edg/Error.h"
#include "support/EdgWriter.h"
#include "support/TestHelpers.h"

using namespace orvane::images::edg;
using namespace tests;

namespace {

std::unique_ptr<EdgImage> decodeString(const std::string& file) {
    const io::Bytes bytes = io::Bytes::ofString(file);
    return EdgDecoder::decode(bytes);
}

std::string decodeError(const std::string& file) {
    return tests::failureText([&] { decodeString(file); });
}

// One layer on a width x 1 page, decoded; its palette indices.
std::vector<std::uint8_t> decodeLayer(std::int32_t width, std::vector<Edge1Run> runs,
                                      std::vector<std::uint8_t> literals) {
    Edge1Document document;
    document.width = width;
    document.height = 1;
    Edge1Layer layer;
    layer.runs = std::move(runs);
    layer.literals = std::move(literals);
    document.layers.push_back(layer);
    const auto image = decodeString(writeEdge1(document));
    const IndexArray& indices = image->pages[0]->layers[0]->imageData;
    return std::vector<std::uint8_t>(indices.begin(), indices.end());
}

using Indices = std::vector<std::uint8_t>;

} // namespace

TEST(Edge1Decoder, HeaderChecks) {
    EXPECT_EQ(decodeError("EDGF" + std::string(900, '\0')), "InvalidFormat");
    EXPECT_EQ(decodeError(LeBytes().str("EDGE").u8(1).zeros(900).bytes()), "InvalidFormat");
    EXPECT_THROW(decodeString("EDGE"), io::Eof);
    EXPECT_THROW(decodeString("ED"), io::Eof);
    EXPECT_THROW(decodeString(LeBytes().str("EDGE").u8(0).zeros(10).bytes()), io::Eof);
}

TEST(Edge1Decoder, HeaderPaletteAndEmptyPage) {
    Edge1Document document;
    document.width = 5;
    document.height = 3;
    document.transparentIndex = 7;
    document.paletteRgb = gradientPalette();
    const auto image = decodeString(writeEdge1(document));
    EXPECT_EQ(image->version, Version::Edge1);
    EXPECT_EQ(image->bitDepth, 8);
    EXPECT_EQ(image->transparentColorIndex, 7);
    ASSERT_EQ(image->paletteBank.size(), 1u);
    ASSERT_EQ(image->paletteBank[0].size(), 256u);
    EXPECT_EQ(image->paletteBank[0][2].value, 0x02FD0E); // read red, green, blue
    ASSERT_EQ(image->get_numPages(), 1);
    const EdgPage& page = *image->pages[0];
    EXPECT_EQ(page.name, "000Page");
    EXPECT_EQ(page.width, 5);
    EXPECT_EQ(page.height, 3);
    EXPECT_EQ(page.transparentColorIndex, 7);
    EXPECT_EQ(page.get_numLayers(), 0);
}

TEST(Edge1Decoder, LayerNamesAndVisibility) {
    Edge1Document document;
    document.width = 1;
    document.height = 1;
    std::string name = "Sprite";
    name += std::string("\xE9\x00\x01", 3);
    document.layers.push_back(literalLayer(name, {1}));
    Edge1Layer hidden = literalLayer("h", {1});
    hidden.visibility = 2;
    document.layers.push_back(hidden);
    const auto image = decodeString(writeEdge1(document));
    const EdgLayer& first = *image->pages[0]->layers[0];
    ASSERT_EQ(first.name.size(), 80u);
    EXPECT_EQ(first.name.substr(0, 9), name);
    EXPECT_EQ(first.name.substr(9), std::string(71, '\0'));
    EXPECT_TRUE(first.visible);
    EXPECT_FALSE(image->pages[0]->layers[1]->visible);
    EXPECT_EQ(first.parent, image->pages[0].get());
}

TEST(Edge1Decoder, RunsInsertedBetweenLiterals) {
    EXPECT_EQ(decodeLayer(4, {}, {1, 2, 3, 4}), (Indices{1, 2, 3, 4}));
    EXPECT_EQ(decodeLayer(7, {{2, 3, 9}}, {1, 2, 3, 4}), (Indices{1, 2, 9, 9, 9, 3, 4}));
    // A run at M comes after the last literal; two runs at one index in table order.
    EXPECT_EQ(decodeLayer(6, {{2, 4, 7}}, {1, 2}), (Indices{1, 2, 7, 7, 7, 7}));
    EXPECT_EQ(decodeLayer(6, {{1, 2, 7}, {1, 1, 8}}, {1, 2, 3}), (Indices{1, 7, 7, 8, 2, 3}));
    // Out of order: the run at 3 is expanded, the one at 1 never; literals all arrive.
    EXPECT_EQ(decodeLayer(7, {{3, 2, 9}, {1, 2, 8}}, {1, 2, 3, 4}), (Indices{1, 2, 3, 9, 9, 4}));
    // A run beyond M stops expansion for the runs after it too.
    EXPECT_EQ(decodeLayer(5, {{9, 2, 9}, {1, 1, 8}}, {1, 2}), (Indices{1, 2}));
    // Runs only: no literals at all.
    EXPECT_EQ(decodeLayer(3, {{0, 3, 5}}, {}), (Indices{5, 5, 5}));
}

TEST(Edge1Decoder, WritesOutsideThePageAreDroppedButBytesConsumed) {
    // A run past the page is cut; the position still advances, so later
    // literals fall outside too and are dropped, while still read.
    EXPECT_EQ(decodeLayer(3, {{1, 5, 9}}, {1, 2, 3}), (Indices{1, 9, 9}));
    EXPECT_EQ(decodeLayer(2, {}, {1, 2, 3, 4}), (Indices{1, 2}));
    // A negative run moves the position back; writes below 0 are dropped.
    EXPECT_EQ(decodeLayer(3, {{0, -2, 9}}, {1, 2, 3, 4}), (Indices{3, 4}));
    // Negative counts: no runs read, nothing written.
    EXPECT_EQ(decodeLayer(3, {}, {}), Indices{});

    Edge1Document document;
    document.width = 2;
    document.height = 1;
    document.layers.push_back(literalLayer("a", {1, 2, 3, 4, 5}));
    document.layers.push_back(literalLayer("b", {6, 7}));
    const auto image = decodeString(writeEdge1(document));
    EXPECT_EQ(image->pages[0]->layers[1]->imageData, (Indices{6, 7}));
}

TEST(Edge1Decoder, HugeRunsAreCheapAndBounded) {
    EXPECT_EQ(decodeLayer(4, {{0, 2147483647, 3}, {0, 2147483647, 4}}, {1}), (Indices{3, 3, 3, 3}));
    const std::string file = LeBytes()
                                 .str("EDGE")
                                 .u8(0)
                                 .zeros(5)
                                 .i32(4)
                                 .i32(4)
                                 .u16(1)
                                 .u8(0)
                                 .zeros(768)
                                 .zeros(80)
                                 .u8(1)
                                 .i32(2147483647) // runs claimed, not there
                                 .bytes();
    EXPECT_THROW(decodeString(file), io::Eof);
}

TEST(Edge1Decoder, SizeLimits) {
    auto header = [](std::int32_t width, std::int32_t height, int layers) {
        return LeBytes().str("EDGE").u8(0).zeros(5).i32(width).i32(height).u16(layers).u8(0).zeros(768).bytes();
    };
    EXPECT_EQ(decodeError(header(-1, 4, 0)), "InvalidFormat");
    EXPECT_EQ(decodeError(header(4, -4, 0)), "InvalidFormat");
    EXPECT_EQ(decodeError(header(30001, 1, 0)), "UnsupportedFormat");
    EXPECT_EQ(decodeError(header(1, 30001, 0)), "UnsupportedFormat");
    // Two layers of 30000 x 30000 could never fit the PSD layer info.
    EXPECT_EQ(decodeError(header(30000, 30000, 2)), "UnsupportedFormat");
    EXPECT_EQ(decodeError(header(20000, 20000, 65535)), "UnsupportedFormat");
    // One layer is written flat: the header passes, the missing layer data ends in Eof.
    EXPECT_THROW(decodeString(header(30000, 30000, 1)), io::Eof);
}
