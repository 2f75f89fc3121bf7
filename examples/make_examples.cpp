// Writes the bundled sample documents into the directory given as argument,
// with the project's own Edge writer.
#include <cstdio>
#include <string>

#include "support/EdgWriter.h"
#include "support/TestFiles.h"

using namespace tests;

namespace {

// Pixel-art-like indices: blocks of colour with a little noise.
std::vector<std::uint8_t> blocks(int width, int height, int seed) {
    std::vector<std::uint8_t> indices;
    unsigned state = static_cast<unsigned>(seed) * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1103515245u + 12345u;
            const int block = ((x / 4) + (y / 4) * 3 + seed) % 12;
            indices.push_back(static_cast<std::uint8_t>((state >> 16) % 16 == 0 ? 0 : 1 + block));
        }
    }
    return indices;
}

std::vector<std::uint8_t> edge1Palette() {
    std::vector<std::uint8_t> palette = gradientPalette();
    const std::uint8_t colours[][3] = {{0, 0, 0},      {230, 57, 70}, {241, 250, 238}, {168, 218, 220}, {69, 123, 157},
                                       {29, 53, 87},   {255, 183, 3}, {251, 133, 0},   {2, 48, 71},     {142, 202, 230},
                                       {33, 158, 188}, {120, 0, 0},   {193, 18, 31}};
    for (std::size_t i = 0; i < std::size(colours); ++i) {
        for (int c = 0; c < 3; ++c) palette[i * 3 + c] = colours[i][c];
    }
    return palette;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : ".";

    Edge1Document flat;
    flat.width = 16;
    flat.height = 16;
    flat.paletteRgb = edge1Palette();
    flat.layers.push_back(literalLayer("Sprite", blocks(16, 16, 1)));
    writeFile(dir + "/flat.edg", writeEdge1(flat));

    Edge1Document layered;
    layered.width = 24;
    layered.height = 12;
    layered.transparentIndex = 0;
    layered.paletteRgb = edge1Palette();
    Edge1Layer top = literalLayer("Outline", blocks(24, 12, 2));
    Edge1Layer hidden = literalLayer("Sketch (hidden)", blocks(24, 12, 3), false);
    Edge1Layer background;
    background.name = "Background";
    background.runs = {{0, 24 * 6, 4}, {0, 24 * 6, 5}}; // two runs: sky above ground
    layered.layers = {top, hidden, background};
    writeFile(dir + "/layers.edg", writeEdge1(layered));

    Edge2Document anim;
    anim.transparentIndex = 0;
    std::vector<std::uint8_t> bgr;
    for (const std::uint8_t v : edge1Palette()) bgr.push_back(v);
    for (std::size_t i = 0; i + 2 < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
    anim.palettesBgr.push_back(bgr);
    for (int frame = 0; frame < 3; ++frame) {
        Edge2Page page;
        page.name = "Frame " + std::to_string(frame + 1);
        page.width = 16 + 4 * frame;
        page.height = 16;
        page.x = 20 * frame;
        page.y = frame == 2 ? -4 : 2 * frame;
        page.layers.push_back({"Body", true, false, blocks(page.width, page.height, 10 + frame)});
        page.layers.push_back({"Shadow", true, false, blocks(page.width, page.height, 20 + frame)});
        anim.pages.push_back(page);
    }
    writeFile(dir + "/pages.edg", writeEdge2(anim));

    Edge2Document states;
    states.palettesBgr.push_back(bgr);
    Edge2Page page;
    page.name = "Sheet";
    page.width = 20;
    page.height = 10;
    page.layers.push_back({"Locked ink", true, true, blocks(20, 10, 30)});
    page.layers.push_back({"Hidden notes", false, false, blocks(20, 10, 31)});
    page.layers.push_back({"Paper", true, true, std::vector<std::uint8_t>(200, 3)});
    states.pages.push_back(page);
    writeFile(dir + "/hidden-locked.edg", writeEdge2(states));
    std::printf("examples written to %s\n", dir.c_str());
    return 0;
}
