// End to end: documents built with the test writer are converted by the real
// binary, and every output is opened by psd-tools and ImageMagick and compared
// with what the Edge document says.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/EdgWriter.h"
#include "support/TestFiles.h"

using namespace tests;

namespace {

using Pixels = std::vector<std::uint32_t>; // 0xAARRGGBB

// What a reader should find: computed from the document description alone.
class Expectation {
public:
    Expectation(const Edge2Document& document, const TempDir& dir) : document_(document), dir_(dir) {
        if (!document.palettesBgr.empty()) {
            const auto& bgr = document.palettesBgr[0];
            for (std::size_t i = 0; i + 2 < bgr.size() && palette_.size() < 256; i += 3) {
                const std::uint32_t rgb = std::uint32_t{bgr[i + 2]} << 16 | std::uint32_t{bgr[i + 1]} << 8 | bgr[i];
                const bool clear = static_cast<int>(palette_.size()) == document.transparentIndex;
                palette_.push_back(clear ? rgb : 0xFF000000u | rgb);
            }
        }
        for (const Edge2Page& page : document.pages) {
            width_ = std::max<std::int64_t>(width_, std::int64_t{page.x} + page.width);
            height_ = std::max<std::int64_t>(height_, std::int64_t{page.y} + page.height);
        }
    }

    std::string json(const std::string& psdPath) {
        std::ostringstream out;
        out << "{\"psd\": \"" << psdPath << "\", \"width\": " << width_ << ", \"height\": " << height_
            << ", \"composite\": \"" << writePixels(composite()) << "\", \"layers\": [";
        const auto& pages = document_.pages;
        if (pages.size() == 1 && pages[0].layers.size() != 1) {
            out << pixelLayers(pages[0]);
        } else if (pages.size() > 1) {
            for (std::size_t p = 0; p < pages.size(); ++p) {
                out << (p ? ", " : "") << "{\"name\": \"" << hex(pages[p].name)
                    << "\", \"group\": true, \"children\": [" << pixelLayers(pages[p]) << "]}";
            }
        }
        out << "]}";
        return out.str();
    }

private:
    std::uint32_t colour(std::uint8_t index) const { return index < palette_.size() ? palette_[index] : 0; }

    Pixels layerPixels(const Edge2Page& page, const Edge2Layer& layer) const {
        Pixels pixels(static_cast<std::size_t>(page.width * page.height), 0);
        for (std::size_t i = 0; i < pixels.size() && i < layer.indices.size(); ++i)
            pixels[i] = colour(layer.indices[i]);
        return pixels;
    }

    Pixels composite() const {
        Pixels canvas(static_cast<std::size_t>(width_ * height_), 0);
        const Edge2Page& page = document_.pages[0];
        for (int row = 0; row < page.height; ++row) {
            for (int column = 0; column < page.width; ++column) {
                const std::size_t j = static_cast<std::size_t>(row * page.width + column);
                bool drawn = false;
                std::uint32_t value = 0;
                bool any = false;
                for (auto layer = page.layers.rbegin(); layer != page.layers.rend(); ++layer) {
                    if (!layer->visible) continue;
                    if (j < layer->indices.size()) {
                        const std::uint32_t c = colour(layer->indices[j]);
                        if (!drawn) {
                            value = page.transparent ? c : (c | 0xFF000000u);
                            any = true;
                        } else if ((c >> 24) != 0) {
                            value = c;
                        }
                    }
                    drawn = true;
                }
                const std::int64_t x = std::int64_t{page.x} + column;
                const std::int64_t y = std::int64_t{page.y} + row;
                if (any && x >= 0 && y >= 0 && x < width_ && y < height_) {
                    canvas[static_cast<std::size_t>(y * width_ + x)] = value;
                }
            }
        }
        return canvas;
    }

    std::string pixelLayers(const Edge2Page& page) {
        std::ostringstream out;
        for (std::size_t i = 0; i < page.layers.size(); ++i) {
            out << (i ? ", " : "") << "{\"name\": \"" << hex(page.layers[i].name) << "\", \"group\": false, \"rect\": ["
                << page.x << ", " << page.y << ", " << std::int64_t{page.x} + page.width << ", "
                << std::int64_t{page.y} + page.height << "], \"pixels\": \""
                << writePixels(layerPixels(page, page.layers[i])) << "\"}";
        }
        return out.str();
    }

    std::string writePixels(const Pixels& pixels) {
        std::string raw;
        for (const std::uint32_t p : pixels) {
            raw.push_back(static_cast<char>(p >> 16));
            raw.push_back(static_cast<char>(p >> 8));
            raw.push_back(static_cast<char>(p));
            raw.push_back(static_cast<char>(p >> 24));
        }
        const std::string path = dir_.file("pixels-" + std::to_string(files_++) + ".rgba");
        writeFile(path, raw);
        return path;
    }

    static std::string hex(const std::string& bytes) {
        static const char digits[] = "0123456789abcdef";
        std::string out;
        for (const unsigned char c : bytes.substr(0, 255)) {
            out.push_back(digits[c >> 4]);
            out.push_back(digits[c & 15]);
        }
        return out;
    }

    const Edge2Document& document_;
    const TempDir& dir_;
    std::vector<std::uint32_t> palette_;
    std::int64_t width_ = 0;
    std::int64_t height_ = 0;
    int files_ = 0;
};

// The same document as an Edge1 description: one page at the origin.
Edge2Document asEdge2(const Edge1Document& document) {
    Edge2Document out;
    out.transparentIndex = document.transparentIndex;
    std::vector<std::uint8_t> bgr(768, 0);
    for (std::size_t i = 0; i < 256; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
            const std::size_t from = i * 3 + c;
            bgr[i * 3 + 2 - c] = from < document.paletteRgb.size() ? document.paletteRgb[from] : 0;
        }
    }
    out.palettesBgr.push_back(bgr);
    Edge2Page page;
    page.name = "000Page";
    page.width = document.width;
    page.height = document.height;
    for (const Edge1Layer& layer : document.layers) {
        std::string name = layer.name;
        name.resize(80, '\0');
        page.layers.push_back({name, layer.visibility == 1, false, layer.literals});
    }
    out.pages.push_back(page);
    return out;
}

std::vector<std::uint8_t> pattern(int count, int seed) {
    std::vector<std::uint8_t> indices;
    for (int i = 0; i < count; ++i) indices.push_back(static_cast<std::uint8_t>((i * 7 + seed * 13) % 5));
    return indices;
}

void convertAndCheck(const std::string& fileBytes, const Edge2Document& reference, const std::string& label) {
    TempDir dir;
    writeFile(dir.file("doc.edg"), fileBytes);
    const RunResult run = runTomel({"psd", "doc.edg"}, dir.path());
    ASSERT_EQ(run.status, 0) << label << ": " << run.out;
    Expectation expectation(reference, dir);
    writeFile(dir.file("expect.json"), expectation.json(dir.file("doc.psd")));
    const RunResult check =
        runShell("/usr/bin/python3 " TOMEL_TESTS_DIR "/e2e/check_psd.py " + dir.file("expect.json") + " 2>&1");
    EXPECT_EQ(check.status, 0) << label << ":\n" << check.out;
}

Edge1Document edge1(int width, int height, std::vector<Edge1Layer> layers, int transparentIndex = 0) {
    Edge1Document document;
    document.width = width;
    document.height = height;
    document.transparentIndex = static_cast<std::uint8_t>(transparentIndex);
    document.paletteRgb = gradientPalette();
    document.layers = std::move(layers);
    return document;
}

} // namespace

TEST(IndependentReaders, Edge1Documents) {
    const std::vector<std::pair<std::string, Edge1Document>> documents = {
        {"flat", edge1(5, 3, {literalLayer("one", pattern(15, 1))})},
        {"1x1", edge1(1, 1, {literalLayer("p", {4}), literalLayer("q", {0})})},
        {"layers", edge1(7, 5,
                         {literalLayer("top", pattern(35, 1)), literalLayer("mid", pattern(35, 2)),
                          literalLayer("bottom", pattern(35, 3))})},
        {"hidden", edge1(3, 3,
                         {literalLayer("shown", pattern(9, 1)), literalLayer("gone", pattern(9, 2), false),
                          literalLayer("base", pattern(9, 3))},
                         2)},
        {"no transparent index in use",
         edge1(4, 2, {literalLayer("a", pattern(8, 4)), literalLayer("b", pattern(8, 5))}, 200)},
        {"names", edge1(2, 3,
                        {literalLayer(std::string("z\0ero", 5), pattern(6, 1)),
                         literalLayer("\xE9t\xE9 \xFF\x80", pattern(6, 2))})},
        {"no layers", edge1(3, 2, {})},
    };
    for (const auto& [label, document] : documents) convertAndCheck(writeEdge1(document), asEdge2(document), label);
}

namespace {

Edge2Page edge2Page(const std::string& name, int x, int y, int width, int height, int layers,
                    bool transparent = false) {
    Edge2Page page;
    page.name = name;
    page.x = x;
    page.y = y;
    page.width = width;
    page.height = height;
    page.transparent = transparent;
    for (int i = 0; i < layers; ++i) {
        page.layers.push_back({name + " layer " + std::to_string(i), i != 1, i == 0, pattern(width * height, i + x)});
    }
    return page;
}

Edge2Document edge2(std::vector<Edge2Page> pages, bool withPalette = true, int bitDepth = 8) {
    Edge2Document document;
    document.bitDepth = bitDepth;
    document.transparentIndex = 1;
    if (withPalette) {
        std::vector<std::uint8_t> bgr;
        for (int i = 0; i < 5 * 3; ++i) bgr.push_back(static_cast<std::uint8_t>(40 + i * 13));
        document.palettesBgr.push_back(bgr);
    }
    document.pages = std::move(pages);
    return document;
}

} // namespace

TEST(IndependentReaders, Edge2Documents) {
    const std::vector<std::pair<std::string, Edge2Document>> documents = {
        {"pages at positions",
         edge2({edge2Page("One", 0, 0, 6, 4, 2), edge2Page("Two", 8, 3, 5, 5, 3), edge2Page("Three", 2, 9, 3, 2, 1)})},
        {"negative positions", edge2({edge2Page("Left", -3, -2, 6, 5, 2), edge2Page("Right", 4, 1, 4, 4, 1)})},
        {"later page larger", edge2({edge2Page("Small", 1, 1, 2, 2, 1), edge2Page("Large", 0, 0, 9, 7, 2)})},
        {"no palette, no depth", edge2({edge2Page("A", 0, 0, 3, 3, 2), edge2Page("B", 0, 0, 3, 3, 2)}, false, -1)},
        {"transparent page", edge2({edge2Page("T", 0, 0, 4, 3, 3, true)})},
        {"single layer", edge2({edge2Page("S", 2, 2, 4, 3, 1)})},
        {"empty page in a group", edge2({edge2Page("Full", 0, 0, 3, 3, 1), edge2Page("Empty", 1, 1, 2, 2, 0)})},
    };
    for (const auto& [label, document] : documents) convertAndCheck(writeEdge2(document), document, label);
}
