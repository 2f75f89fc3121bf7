// Writes the benchmark inputs with the project's own Edge writer:
// make_inputs DIR  ->  DIR/big.edg, DIR/mid.edg, DIR/anim.edg, DIR/small/0000.edg ... 0999.edg,
// and the pixel-art animations DIR/sprite.edg, DIR/portrait.edg, DIR/walker.edg, DIR/bomb.edg
#include <cstdio>
#include <filesystem>
#include <string>

#include "animations.h"
#include "support/EdgWriter.h"
#include "support/TestFiles.h"

using namespace tests;

namespace {

// Pixel-art-like content: blocks of colour, some noise, some transparency.
std::vector<std::uint8_t> pixelArt(int width, int height, unsigned seed) {
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    unsigned state = seed * 2654435761u + 7;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const unsigned block = (static_cast<unsigned>(x / 16) * 7 + static_cast<unsigned>(y / 16) * 13 + seed) % 24;
            std::uint8_t index = block < 4 ? 0 : static_cast<std::uint8_t>(block * 9 + 1);
            if ((state >> 24) < 12) index = static_cast<std::uint8_t>(state >> 8);
            indices[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                index;
        }
    }
    return indices;
}

Edge2Document document(int pages, int width, int height, int layers, unsigned seed) {
    Edge2Document doc;
    std::vector<std::uint8_t> palette;
    for (int i = 0; i < 256 * 3; ++i) palette.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    doc.palettesBgr.push_back(palette);
    for (int p = 0; p < pages; ++p) {
        Edge2Page page;
        page.name = "Frame " + std::to_string(p + 1);
        page.width = width;
        page.height = height;
        for (int l = 0; l < layers; ++l) {
            page.layers.push_back({"Layer " + std::to_string(l + 1), true, false,
                                   pixelArt(width, height, seed + static_cast<unsigned>(p * 31 + l))});
        }
        doc.pages.push_back(std::move(page));
    }
    return doc;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "bench-inputs";
    std::filesystem::create_directories(dir + "/small");
    writeFile(dir + "/big.edg", writeEdge2(document(1, 4096, 4096, 8, 1)));
    writeFile(dir + "/mid.edg", writeEdge2(document(1, 1500, 1500, 4, 3)));
    writeFile(dir + "/anim.edg", writeEdge2(document(64, 256, 256, 4, 2)));
    writeFile(dir + "/sprite.edg", writeEdge2(bench::movingSprite()));
    writeFile(dir + "/portrait.edg", writeEdge2(bench::blinkingPortrait()));
    writeFile(dir + "/walker.edg", writeEdge2(bench::walkingCharacter()));
    writeFile(dir + "/bomb.edg", writeEdge2(bench::explodingBomb()));
    for (int i = 0; i < 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/small/%04d.edg", i);
        writeFile(dir + name, writeEdge2(document(1, 32, 32, 3, 100 + static_cast<unsigned>(i))));
    }
    return 0;
}
