// Writes a varied, repeatable set of Edge documents into DIR, made with the
// project's Edge writer: both generations in many shapes, and damaged copies
// (flipped bytes in the compressed body, truncations). The Wine stage
// converts each with the Linux and the Windows build and compares.
// Usage: make_documents DIR [large]   (large: only DIR/large.edg, a
// document whose conversion takes long enough to be interrupted)
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/EdgWriter.h"
#include "support/Random.h"

using namespace tests;

namespace {

std::string name(Random& random, const std::string& stem, int number) {
    std::string out = stem;
    out += std::to_string(number);
    // Now and then bytes above 127 and a zero byte, which must reach the PSD as they are.
    if (random.below(3) == 0) out += "\xE9\xFF";
    if (random.below(4) == 0) out.append({'\0', 'x'});
    return out;
}

std::vector<std::uint8_t> pixels(Random& random, int count, int colours) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(count));
    for (auto& index : out) index = static_cast<std::uint8_t>(random.below(colours));
    return out;
}

Edge1Document edge1(Random& random) {
    Edge1Document document;
    document.width = random.between(1, 40);
    document.height = random.between(1, 30);
    document.transparentIndex = static_cast<std::uint8_t>(random.below(4));
    document.paletteRgb = gradientPalette();
    const int layers = random.below(5);
    const int pixelCount = document.width * document.height;
    for (int i = 0; i < layers; ++i) {
        Edge1Layer layer = literalLayer(name(random, "layer ", i), pixels(random, pixelCount, 6));
        layer.visibility = static_cast<std::uint8_t>(random.below(4) == 0 ? 0 : 1);
        if (random.below(2) == 0) {
            layer.literals.resize(static_cast<std::size_t>(random.below(pixelCount + 1)));
            for (int run = random.between(1, 3); run > 0; --run) {
                layer.runs.push_back({random.below(pixelCount), random.between(1, pixelCount),
                                      static_cast<std::uint8_t>(random.below(6))});
            }
        }
        document.layers.push_back(std::move(layer));
    }
    return document;
}

Edge2Document edge2(Random& random) {
    Edge2Document document;
    document.bitDepth = random.below(5) == 0 ? -1 : 8;
    document.transparentIndex = random.below(4);
    for (int p = random.below(3); p > 0; --p) {
        const int colours = random.between(1, 256);
        document.palettesBgr.push_back(pixels(random, colours * 3, 256));
    }
    const int pages = random.between(1, 4);
    for (int p = 0; p < pages; ++p) {
        Edge2Page page;
        page.name = name(random, "Page ", p);
        page.width = random.between(1, 48);
        page.height = random.between(1, 32);
        page.x = random.between(-20, 20);
        page.y = random.between(-20, 20);
        page.transparent = random.below(3) == 0;
        for (int l = random.below(4); l > 0; --l) {
            page.layers.push_back({name(random, "l", l), random.below(4) != 0, random.below(2) == 0,
                                   pixels(random, page.width * page.height, 8)});
        }
        document.pages.push_back(std::move(page));
    }
    return document;
}

void write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "documents";
    std::filesystem::create_directories(dir);
    if (argc > 2 && std::string(argv[2]) == "large") {
        Random random(7);
        Edge2Document document;
        document.palettesBgr.push_back(pixels(random, 8 * 3, 256));
        Edge2Page page;
        page.name = "large";
        page.width = page.height = 2048;
        for (int l = 0; l < 8; ++l) page.layers.push_back({"l", true, false, pixels(random, 2048 * 2048, 8)});
        document.pages.push_back(std::move(page));
        write(dir + "/large.edg", writeEdge2(document));
        return 0;
    }
    Random random(20261207);
    for (int i = 0; i < 16; ++i) {
        const std::string one = writeEdge1(edge1(random));
        write(dir + "/edge1-" + std::to_string(i) + ".edg", one);
        const std::string two = writeEdge2(edge2(random));
        write(dir + "/edge2-" + std::to_string(i) + ".edg", two);
        // Damaged copies: one flipped byte after the 12-byte header, a cut.
        std::string flipped = two;
        flipped[12 + static_cast<std::size_t>(random.below(static_cast<int>(two.size()) - 12))] ^=
            static_cast<char>(1 << random.below(8));
        write(dir + "/edge2-" + std::to_string(i) + "-flipped.edg", flipped);
        write(dir + "/edge2-" + std::to_string(i) + "-cut.edg",
              two.substr(0, random.below(static_cast<int>(two.size()))));
        write(dir + "/edge1-" + std::to_string(i) + "-cut.edg",
              one.substr(0, random.below(static_cast<int>(one.size()))));
    }
    return 0;
}
