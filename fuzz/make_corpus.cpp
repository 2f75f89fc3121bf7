// Writes the fuzzers' seed corpora, made with the project's own Edge writer:
// make_corpus DIR  ->  DIR/edg (whole files and Edge2 bodies), DIR/edg-large,
// DIR/inflate,
// DIR/pieces (a prefix named, then deflate data: see fuzz_inflate_pieces).
#include <filesystem>
#include <string>

#include "support/EdgWriter.h"
#include "support/TestFiles.h"
#include "support/TestHelpers.h"

using namespace tests;

namespace {

int written = 0;

void seed(const std::string& dir, const std::string& bytes) {
    writeFile(dir + "/seed-" + std::to_string(written++), bytes);
}

// Edge2 bodies go in after an even marker byte.
void bodySeed(const std::string& dir, const std::string& body) { seed(dir, std::string(1, '\0') + body); }

std::vector<std::uint8_t> indices(int count) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < count; ++i) out.push_back(static_cast<std::uint8_t>(i % 7));
    return out;
}

} // namespace

int main(int argc, char** argv) {
    const std::string root = argc > 1 ? argv[1] : "corpus";
    const std::string edg = root + "/edg";
    const std::string inflate = root + "/inflate";
    std::filesystem::create_directories(edg);
    std::filesystem::create_directories(inflate);

    Edge1Document one;
    one.width = 4;
    one.height = 3;
    one.transparentIndex = 2;
    one.paletteRgb = gradientPalette();
    Edge1Layer runs;
    runs.name = "runs";
    runs.runs = {{0, 3, 1}, {2, 2, 5}, {4, 1, 6}};
    runs.literals = {1, 2, 3, 4};
    one.layers = {literalLayer("a", indices(12)), runs, literalLayer("hidden", indices(12), false)};
    seed(edg, writeEdge1(one));
    one.layers.resize(1);
    seed(edg, writeEdge1(one));
    one.layers.clear();
    seed(edg, writeEdge1(one));

    Edge2Document two;
    two.transparentIndex = 1;
    two.palettesBgr.push_back({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    two.pages.push_back(
        {"first", 3, 2, 0, 0, false, {{"l0", true, true, indices(6)}, {"l1", false, false, indices(6)}}});
    two.pages.push_back({"second", 2, 2, -1, 3, true, {{"m0", true, false, indices(4)}}});
    const std::string body = edge2Body(two);
    seed(edg, writeEdge2(body));
    bodySeed(edg, body);
    // Every chunk kind the decoder knows, including the rarer ones.
    const std::string u8 = LeBytes().u8(1).bytes();
    const std::string i32 = LeBytes().i32(1).bytes();
    bodySeed(edg, chunk(1006, chunk(1000, LeBytes().u16(3).bytes())) + chunk(3001, LeBytes().u16(1).bytes()) +
                      chunk(3002, i32) + chunk(5000, "unknown") +
                      chunk(3003, chunk(1004, "x") + chunk(1005, "\x01\x02\x03\x04\x05\x06\x07")) +
                      chunk(2003, chunk(1007, i32) + chunk(1008, i32) + chunk(2001, i32) + chunk(3000, i32) +
                                      chunk(3002, "memo") + chunk(3005, u8) + chunk(1005, LeBytes().u16(2).bytes()) +
                                      chunk(1006, LeBytes().u16(1).bytes()) +
                                      chunk(2003, chunk(1002, u8) + chunk(1006, "\x01") + chunk(1006, "\x02"))));
    // Large documents, a corpus of their own for campaigns with large inputs
    // (fuzz/run.sh --max-len): among small seeds the fuzzer would drop them.
    const std::string edgLarge = root + "/edg-large";
    std::filesystem::create_directories(edgLarge);
    Edge2Document large;
    large.palettesBgr.push_back(std::vector<std::uint8_t>(768, 0x40));
    large.pages.push_back({"large",
                           600,
                           400,
                           5,
                           -7,
                           false,
                           {{"a", true, false, indices(600 * 400)}, {"b", false, true, indices(600 * 400)}}});
    large.pages.push_back({"second", 300, 300, 0, 0, true, {{"c", true, false, indices(300 * 300)}}});
    bodySeed(edgLarge, edge2Body(large));
    seed(edgLarge, writeEdge2(large));
    Edge1Document wide;
    wide.width = 700;
    wide.height = 500;
    wide.paletteRgb = gradientPalette();
    Edge1Layer lines;
    lines.name = "lines";
    for (int y = 0; y < 500; ++y) lines.runs.push_back({y * 700, 350, static_cast<std::uint8_t>(y % 9)});
    lines.literals = indices(500 * 350);
    wide.layers = {literalLayer("pixels", indices(700 * 500)), lines};
    seed(edgLarge, writeEdge1(wide));

    seed(inflate, zlibCompress(""));
    seed(inflate, zlibCompress("pixels pixels pixels", 9));
    seed(inflate, zlibCompress(std::string(70000, '\x07'), 1));
    seed(inflate, zlibCompress(body, 6));
    // A stream igzip decodes and zlib refuses: the differential harness starts at a disagreement.
    seed(inflate, storedThenIncompleteCode("stored bytes", 5));

    // The pieces harness: byte 0 the prefix's blocks (and bit 2: put the check
    // value where the data ends), bytes 1-3 its length, then deflate data.
    const std::string pieces = root + "/pieces";
    std::filesystem::create_directories(pieces);
    const auto named = [](int blocks, std::uint32_t length) {
        return LeBytes().u8(blocks).u8(static_cast<int>(length)).u16(static_cast<int>(length >> 8)).bytes();
    };
    const std::string readAhead(32, '\0');
    // Damage where igzip's first piece ends, after a match across that end.
    seed(pieces, named(0, 917500) + incompleteDistancesBlock(131076 - 280) + readAhead);
    seed(pieces, named(1, (1 << 20) - 3000) + incompleteDistancesBlock(2900) + readAhead);
    seed(pieces, named(2, (2 << 20) - 700) + incompleteDistancesBlock(400) + readAhead);
    // Whole streams: a final empty block, confirmed where the check value fits.
    seed(pieces, named(4 | 2, 3 << 20) + bytes({0x03, 0x00}));
    seed(pieces, named(4 | 1, 300000) + bytes({0x03, 0x00}) + "after");
    return 0;
}
