// The rules the export formats share: frame timing, the transparent key,
// enlarging, names made UTF-8, and large images deflated in halves.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>

#include "io/Utf8.h"
#include "orvane/bytes/RowDeflater.h"
#include "orvane/images/aseprite/AsepriteWriter.h"
#include "orvane/images/edg/EdgDecoder.h"
#include "orvane/images/frames/FrameTiming.h"
#include "orvane/images/frames/Keying.h"
#include "orvane/images/frames/ScaledRows.h"
#include "support/EdgWriter.h"

using namespace orvane;
using namespace orvane::images;

TEST(Frames, DelaysCarryTheirRoundingSoTheTotalStaysExact) {
    EXPECT_EQ(frames::FrameTiming::delays(4, 8, 100), (std::vector<std::uint32_t>{13, 12, 13, 12}));
    EXPECT_EQ(frames::FrameTiming::delays(3, 12, 1000), (std::vector<std::uint32_t>{83, 84, 83}));
    EXPECT_EQ(frames::FrameTiming::delays(2, 50, 100), (std::vector<std::uint32_t>{2, 2}));
    for (const std::uint32_t fps : {1u, 7u, 12u, 24u, 30u, 50u}) {
        const auto delays = frames::FrameTiming::delays(97, fps, 100);
        std::uint64_t total = 0;
        for (const std::uint32_t d : delays) total += d;
        EXPECT_EQ(total, (97 * 100 * 2 + fps) / (2 * fps)) << fps;
    }
}

TEST(Frames, TheKeyIsTheTransparentIndexUnlessADrawnPixelUsesIt) {
    const std::vector<color::Rgb> palette = {color::Rgb{0x000000}, color::Rgb{0xFF0000}, color::Rgb{0x00FF00},
                                             color::Rgb{0xFE0101}};
    frames::FrameUsage usage;
    usage.addDrawn(2);
    usage.addTransparent();
    frames::Keying keying = frames::Keying::plan(usage, 1, palette);
    EXPECT_TRUE(keying.exact());
    EXPECT_EQ(keying.key(), 1);
    EXPECT_EQ(keying.entries(palette.size()), 4);
    // Drawn: an index past the palette, where no colour is lost.
    usage.addDrawn(1);
    keying = frames::Keying::plan(usage, 1, palette);
    EXPECT_EQ(keying.key(), 4);
    EXPECT_EQ(keying.entries(palette.size()), 5);
    // Nothing transparent: no key is needed, and nothing moves.
    frames::FrameUsage opaque;
    for (int i = 0; i < 256; ++i) opaque.addDrawn(static_cast<std::uint8_t>(i));
    EXPECT_TRUE(frames::Keying::plan(opaque, 1, palette).exact());
    // Every index drawn beside transparency: the nearest colour.
    opaque.addTransparent();
    keying = frames::Keying::plan(opaque, 1, palette);
    EXPECT_FALSE(keying.exact());
    EXPECT_EQ(keying.key(), 1);
    EXPECT_EQ(keying.drawnAs()[1], 3);
    EXPECT_EQ(keying.drawnAs()[2], 2);
}

TEST(Frames, RowsAreEnlargedByRepeatingPixelsAndRows) {
    const std::uint8_t pixels[] = {1, 2, 3, 4, 5, 6};
    frames::ScaledRows rows(pixels, 3, 2, 2);
    ASSERT_EQ(rows.width(), 6u);
    ASSERT_EQ(rows.height(), 4u);
    const std::vector<std::vector<std::uint8_t>> expected = {
        {1, 1, 2, 2, 3, 3}, {1, 1, 2, 2, 3, 3}, {4, 4, 5, 5, 6, 6}, {4, 4, 5, 5, 6, 6}};
    for (std::size_t y = 0; y < 4; ++y) {
        EXPECT_EQ(std::vector<std::uint8_t>(rows.row(y), rows.row(y) + 6), expected[y]) << y;
    }
}

TEST(Frames, NamesAreMadeUtf8) {
    EXPECT_EQ(io::Utf8::valid("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(io::Utf8::valid("\xE9t\xE9"), "\xEF\xBF\xBDt\xEF\xBF\xBD");
    // Overlong forms, surrogates and a cut sequence are invalid byte by byte.
    EXPECT_EQ(io::Utf8::valid("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(io::Utf8::valid("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(io::Utf8::valid("a\xE2\x82"), "a\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(io::Utf8::name(std::string("Layer\0\0pad", 10)), "Layer");
    EXPECT_EQ(io::Utf8::name("ab\xC3\xA9", 3), "ab");
}

TEST(Frames, LargeRowsDeflateInHalvesToTheSameStreamOnEveryRoute) {
    // 3 MiB of rows, some runs, some noise: one zlib stream that inflates
    // to the rows, made alike with a helper and without.
    const std::size_t rows = 1536, rowLength = 2049;
    std::vector<std::uint8_t> image(rows * rowLength);
    std::uint32_t state = 1;
    for (std::size_t i = 0; i < image.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        image[i] = (state >> 28) < 2 ? static_cast<std::uint8_t>(state >> 8) : static_cast<std::uint8_t>(i / 300);
    }
    const auto fill = [&](std::size_t y, std::uint8_t* row) {
        std::copy(image.begin() + static_cast<std::ptrdiff_t>(y * rowLength),
                  image.begin() + static_cast<std::ptrdiff_t>((y + 1) * rowLength), row);
    };
    std::vector<std::uint8_t> helped, alone;
    bytes::RowDeflater::compress(rows, rowLength, fill, Z_DEFAULT_COMPRESSION, concurrency::Route::Helped, helped);
    bytes::RowDeflater::compress(rows, rowLength, fill, Z_DEFAULT_COMPRESSION, concurrency::Route::OneThread, alone);
    EXPECT_EQ(helped, alone);
    std::vector<std::uint8_t> inflated(image.size() + 1);
    uLongf length = static_cast<uLongf>(inflated.size());
    ASSERT_EQ(uncompress(inflated.data(), &length, alone.data(), static_cast<uLong>(alone.size())), Z_OK);
    inflated.resize(length);
    EXPECT_EQ(inflated, image);
}

TEST(Frames, ALayerWithoutPixelsExportsAsAnEmptyOne) {
    // A fuzzer's find: rows of a layer whose index array ends before them
    // once offset a null pointer.
    tests::Edge2Document document;
    document.palettesBgr.push_back(std::vector<std::uint8_t>(30, 7));
    tests::Edge2Page page;
    page.name = "p";
    page.x = 2;
    page.width = 3;
    page.height = 2;
    page.layers.push_back({"empty", true, false, {}});
    page.layers.push_back({"short", true, false, {1, 2}});
    document.pages.push_back(page);
    const io::Bytes file = io::Bytes::ofString(tests::writeEdge2(document));
    const auto image = edg::EdgDecoder::decode(file);
    const frames::IndexedFrames frames(*image);
    const io::ByteVector sprite = aseprite::AsepriteWriter::write(frames, aseprite::AsepriteWriter::keyingOf(frames), 8,
                                                                  concurrency::Route::OneThread);
    // The header, the frame, the palette, two layers and the short layer's cel.
    EXPECT_EQ(sprite.bytes()[6], 1);
    EXPECT_EQ(sprite.bytes()[128 + 12], 4);
}
