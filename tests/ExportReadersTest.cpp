// End to end: documents built with the test writer are exported by the real
// tomel-export in every format, and each file is read back by readers we did
// not write (Pillow, ffmpeg, pngcheck, gifsicle, ase-parser, PixiJS) and compared with what
// the Edge document says, computed here from its description alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/EdgWriter.h"
#include "support/TestFiles.h"

using namespace tests;

namespace {

std::string quote(const std::string& s) {
    std::string quoted(1, '\'');
    quoted += s;
    quoted += '\'';
    return quoted;
}

RunResult runExport(const std::vector<std::string>& args, const std::string& cwd) {
    std::string command = "cd ";
    command += quote(cwd);
    command += " && ";
    command += quote(TOMEL_EXPORT_BINARY);
    for (const std::string& arg : args) {
        command += ' ';
        command += quote(arg);
    }
    command += " 2>";
    command += quote(cwd + "/stderr");
    return runShell(command);
}

std::string hex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : bytes) {
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

// What every reader should find, from the document's description: each
// page's canvas as RGBA and as the indices of its drawn pixels, and each
// layer's own indices.
class Expectation {
public:
    Expectation(const Edge2Document& document, const TempDir& dir) : document_(document), dir_(dir) {
        if (!document.palettesBgr.empty()) {
            const auto& bgr = document.palettesBgr[0];
            for (std::size_t i = 0; i + 2 < bgr.size() && palette_.size() < 256; i += 3) {
                palette_.push_back(std::uint32_t{bgr[i + 2]} << 16 | std::uint32_t{bgr[i + 1]} << 8 | bgr[i]);
            }
        }
        for (const Edge2Page& page : document.pages) {
            width_ = std::max<std::int64_t>(width_, std::int64_t{page.x} + page.width);
            height_ = std::max<std::int64_t>(height_, std::int64_t{page.y} + page.height);
        }
    }

    std::string json(int scale, int fps) {
        std::ostringstream out;
        out << "{\"width\": " << width_ << ", \"height\": " << height_ << ", \"scale\": " << scale
            << ", \"fps\": " << fps << ", \"transparent\": " << document_.transparentIndex << ", \"palette\": [";
        for (std::size_t i = 0; i < palette_.size(); ++i) out << (i ? ", " : "") << palette_[i];
        out << "], \"pages\": [";
        for (std::size_t p = 0; p < document_.pages.size(); ++p) {
            const Edge2Page& page = document_.pages[p];
            std::string rgba, index;
            composite(page, rgba, index);
            out << (p ? ", " : "") << "{\"name\": \"" << hex(page.name) << "\", \"wait\": " << page.wait
                << ", \"rect\": [" << page.x << ", " << page.y << ", " << page.width << ", " << page.height
                << "], \"transparentPage\": " << (page.transparent ? "true" : "false") << ", \"rgba\": \"" << save(rgba)
                << "\", \"index\": \"" << save(index) << "\", \"layers\": [";
            // Bottom-most first.
            for (std::size_t k = page.layers.size(); k-- > 0;) {
                const Edge2Layer& layer = page.layers[k];
                std::string raw(layer.indices.begin(), layer.indices.end());
                raw.resize(static_cast<std::size_t>(page.width * page.height),
                           static_cast<char>(document_.transparentIndex));
                out << (k + 1 < page.layers.size() ? ", " : "") << "{\"name\": \"" << hex(layer.name)
                    << "\", \"visible\": " << (layer.visible ? "true" : "false") << ", \"indices\": \"" << save(raw)
                    << "\", \"short\": " << (layer.indices.size() < raw.size() ? "true" : "false") << "}";
            }
            out << "]}";
        }
        out << "]}";
        return out.str();
    }

private:
    bool inPalette(std::uint8_t i) const { return i < palette_.size(); }
    std::uint32_t rgb(std::uint8_t i) const { return inPalette(i) ? palette_[i] : 0; }

    // RGBA bytes and the drawn pixels' indices (transparent: any) of a page
    // on the canvas.
    void composite(const Edge2Page& page, std::string& rgba, std::string& index) const {
        const auto pixels = static_cast<std::size_t>(width_ * height_);
        rgba.assign(pixels * 4, '\0');
        index.assign(pixels, '\0');
        const int t = document_.transparentIndex;
        for (int row = 0; row < page.height; ++row) {
            for (int column = 0; column < page.width; ++column) {
                const std::int64_t x = std::int64_t{page.x} + column;
                const std::int64_t y = std::int64_t{page.y} + row;
                if (x < 0 || y < 0 || x >= width_ || y >= height_) continue;
                const auto j = static_cast<std::size_t>(row * page.width + column);
                bool first = true, drawn = false;
                std::uint8_t value = 0;
                for (auto layer = page.layers.rbegin(); layer != page.layers.rend(); ++layer) {
                    if (!layer->visible) continue;
                    const bool has = j < layer->indices.size();
                    const std::uint8_t i = has ? layer->indices[j] : 0;
                    const bool clear = !has || !inPalette(i) || i == t;
                    if (first) {
                        // The lowest visible layer is opaque unless the page is transparent.
                        drawn = has && (!page.transparent || !clear);
                        value = i;
                        first = false;
                    } else if (!clear) {
                        drawn = true;
                        value = i;
                    }
                }
                if (!drawn) continue;
                const auto at = static_cast<std::size_t>(y * width_ + x);
                const std::uint32_t c = rgb(value);
                rgba[4 * at] = static_cast<char>(c >> 16);
                rgba[4 * at + 1] = static_cast<char>(c >> 8);
                rgba[4 * at + 2] = static_cast<char>(c);
                rgba[4 * at + 3] = static_cast<char>(0xFF);
                index[at] = static_cast<char>(value);
            }
        }
    }

    std::string save(const std::string& bytes) {
        const std::string path = dir_.file("expect-" + std::to_string(files_++) + ".bin");
        writeFile(path, bytes);
        return path;
    }

    const Edge2Document& document_;
    const TempDir& dir_;
    std::vector<std::uint32_t> palette_;
    std::int64_t width_ = 0, height_ = 0;
    int files_ = 0;
};

std::vector<std::uint8_t> pattern(int count, int seed, int modulo) {
    std::vector<std::uint8_t> indices;
    for (int i = 0; i < count; ++i) indices.push_back(static_cast<std::uint8_t>((i * 7 + seed * 13) % modulo));
    return indices;
}

Edge2Page page(const std::string& name, int x, int y, int width, int height, std::vector<Edge2Layer> layers,
               bool transparent = false, int wait = 0) {
    Edge2Page p;
    p.name = name;
    p.x = x;
    p.y = y;
    p.width = width;
    p.height = height;
    p.transparent = transparent;
    p.wait = wait;
    p.layers = std::move(layers);
    return p;
}

Edge2Document document(std::vector<Edge2Page> pages, int colours, int transparentIndex) {
    Edge2Document d;
    d.transparentIndex = transparentIndex;
    std::vector<std::uint8_t> bgr;
    for (int i = 0; i < colours * 3; ++i) bgr.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    d.palettesBgr.push_back(bgr);
    d.pages = std::move(pages);
    return d;
}

struct Case {
    std::string label;
    Edge2Document document;
    int scale = 1;
    int fps = 8;
    // The formats told to have no exact answer: a frame draws every index
    // beside transparent pixels (in Aseprite, an index is always see-through).
    std::string inexact;
};

std::vector<Case> cases() {
    std::vector<Case> all;
    // Pages of different sizes and places (one partly off the canvas), one
    // transparent and one opaque, a hidden layer, a short layer, 40 colours
    // and the transparent index (2) in the palette, a page's wait, and a
    // name that is not UTF-8.
    all.push_back(
        {"pages",
         document({page("Walk \xE9", 0, 0, 6, 4,
                        {{"top", true, false, pattern(24, 1, 5)},
                         {"hidden", false, false, pattern(24, 2, 44)},
                         {"base", true, true, pattern(24, 3, 44)}},
                        false, 3),
                   page("Jump", 3, 2, 5, 5,
                        {{"top", true, false, pattern(25, 4, 9)}, {"base", true, false, pattern(20, 5, 50)}}, true, 7),
                   page("Rest", -2, -1, 4, 3, {{"only", true, false, pattern(12, 6, 44)}})},
                  40, 2),
         2, 12, ""});
    // The transparent index outside a palette of 16 colours, drawn by an
    // opaque page's bottom layer beside uncovered pixels: another key; and
    // indices far past the palette drawn black.
    all.push_back({"outside",
                   document({page("A", 0, 0, 4, 4, {{"a", true, false, pattern(16, 1, 30)}}),
                             page("B", 0, 0, 7, 5, {{"b", true, false, pattern(35, 2, 16)}}, true),
                             page("C", 1, 1, 2, 2, {{"c", true, false, {200, 201, 3, 4}}})},
                            16, 20),
                   1, 50, ""});
    // Every index drawn in the first frame, beside the canvas it does not
    // cover: no exact answer there.
    std::vector<std::uint8_t> every(256);
    for (int i = 0; i < 256; ++i) every[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    all.push_back({"all 256",
                   document({page("Full", 0, 0, 16, 16, {{"every", true, false, every}}),
                             page("Wide", 0, 0, 18, 17, {{"some", true, false, pattern(18 * 17, 3, 7)}}, true)},
                            256, 0),
                   1, 8, "png gif apng sheet aseprite"});
    // Three opaque pages that draw every index, in a sheet of 2 columns: its
    // empty cell takes no key.
    all.push_back({"opaque sheet",
                   document({page("A", 0, 0, 16, 16, {{"a", true, false, every}}),
                             page("B", 0, 0, 16, 16, {{"a", true, false, every}}),
                             page("C", 0, 0, 16, 16, {{"a", true, false, every}})},
                            256, 0),
                   1, 8, ""});
    // Indices far past a palette of 16 colours, drawn black, and nothing
    // transparent: GIF's table must reach them.
    all.push_back(
        {"far", document({page("Far", 0, 0, 3, 2, {{"far", true, false, {200, 0, 1, 250, 7, 8}}})}, 16, 5), 3, 8, ""});
    // An opaque title page that draws the transparent index as a colour,
    // then transparent pages: a sprite that moves, so pixels turn
    // transparent from one frame to the next, stands still for a frame, and
    // leaves the canvas empty; played back to the title page.
    const auto sprite = [](int at) {
        std::vector<std::uint8_t> indices(10 * 6, 3);
        for (int y = 1; y < 5; ++y)
            for (int x = at; x < at + 3; ++x) indices[static_cast<std::size_t>(y * 10 + x)] = 5;
        return indices;
    };
    all.push_back({"moving",
                   document({page("Title", 0, 0, 10, 6, {{"title", true, false, pattern(60, 2, 8)}}),
                             page("A", 0, 0, 10, 6, {{"s", true, false, sprite(1)}}, true),
                             page("B", 0, 0, 10, 6, {{"s", true, false, sprite(4)}}, true),
                             page("C", 0, 0, 10, 6, {{"s", true, false, sprite(4)}}, true),
                             page("D", 0, 0, 10, 6, {{"s", true, false, std::vector<std::uint8_t>(60, 3)}}, true)},
                            8, 3),
                   2, 8, ""});
    // Noise: GIF's code table fills and starts again many times a frame. Its
    // one page covers the canvas, so its layer is Aseprite's background,
    // where the transparent index is a colour.
    std::vector<std::uint8_t> noise(200 * 150);
    std::uint32_t state = 7;
    for (auto& index : noise) {
        state = state * 1664525u + 1013904223u;
        index = static_cast<std::uint8_t>(state >> 24);
    }
    all.push_back(
        {"noise", document({page("Noise", 0, 0, 200, 150, {{"noise", true, false, noise}})}, 256, 255), 1, 8, ""});
    return all;
}

const char* const formats[] = {"palette", "png", "gif", "apng", "sheet", "aseprite"};

} // namespace

TEST(ExportReaders, EveryFormatReadsBackAsTheDocument) {
    for (const Case& c : cases()) {
        TempDir dir;
        writeFile(dir.file("doc.edg"), writeEdge2(c.document));
        for (const char* format : formats) {
            std::vector<std::string> args = {format};
            const std::string f = format;
            if (f == "gif" || f == "apng" || f == "sheet" || f == "aseprite") {
                args.push_back("--fps");
                args.push_back(std::to_string(c.fps));
            }
            if (f == "png" || f == "gif" || f == "apng" || f == "sheet")
                args.push_back(std::string("--scale=").append(std::to_string(c.scale)));
            args.push_back("doc.edg");
            const RunResult run = runExport(args, dir.path());
            ASSERT_EQ(run.status, 0) << c.label << " " << format << ": " << run.out << readFile(dir.file("stderr"));
            const std::string notes = readFile(dir.file("stderr"));
            if (c.inexact.find(f) != std::string::npos) {
                EXPECT_NE(notes.find("draws all 256 indices beside transparent pixels"), std::string::npos)
                    << c.label << " " << format << ": " << notes;
            } else {
                EXPECT_EQ(notes, "") << c.label << " " << format;
            }
        }
        Expectation expectation(c.document, dir);
        writeFile(dir.file("expect.json"), expectation.json(c.scale, c.fps));
        const std::string images = c.inexact.find("png") != std::string::npos ? " --inexact" : "";
        const RunResult read = runShell("/usr/bin/python3 " TOMEL_TESTS_DIR "/e2e/check_export.py " +
                                        dir.file("expect.json") + " " + dir.path() + images + " 2>&1");
        EXPECT_EQ(read.status, 0) << c.label << ":\n" << read.out;
        const std::string layers = c.inexact.find("aseprite") != std::string::npos ? " --inexact" : "";
        const RunResult sprite = runShell("node " TOMEL_TESTS_DIR "/export/check_aseprite.mjs " +
                                          dir.file("expect.json") + " " + dir.file("doc.aseprite") + layers + " 2>&1");
        EXPECT_EQ(sprite.status, 0) << c.label << ":\n" << sprite.out;
        const RunResult engine =
            runShell("node " TOMEL_TESTS_DIR "/export/check_sheet.mjs " + dir.file("doc.sheet.json") + " 2>&1");
        EXPECT_EQ(engine.status, 0) << c.label << ":\n" << engine.out;
    }
}
