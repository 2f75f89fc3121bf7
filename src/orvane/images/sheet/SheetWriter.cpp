#include "orvane/images/sheet/SheetWriter.h"

#include <cstdio>
#include <cstring>

#include "io/Utf8.h"
#include <zlib.h>

#include "orvane/bytes/RowDeflater.h"
#include "orvane/images/edg/EdgPage.h"
#include "orvane/images/frames/FrameTiming.h"
#include "orvane/images/png/PngChunks.h"

namespace orvane::images::sheet {

namespace {

std::size_t rowsOf(const frames::IndexedFrames& frames, std::size_t columns) {
    return (frames.count() + columns - 1) / columns;
}

// A JSON string of UTF-8 text.
std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string size(std::size_t w, std::size_t h) {
    return "{ \"w\": " + std::to_string(w) + ", \"h\": " + std::to_string(h) + " }";
}

} // namespace

std::size_t SheetWriter::squareColumns(const frames::IndexedFrames& frames) {
    const auto width = static_cast<std::size_t>(frames.width());
    const auto height = static_cast<std::size_t>(frames.height());
    std::size_t columns = 1;
    while (columns < frames.count() && columns * width < rowsOf(frames, columns) * height) ++columns;
    return columns;
}

namespace {

// The sheet's zlib stream, from every page rendered (`cells`, one canvas a
// page) and its empty cells `empty`.
std::vector<std::uint8_t> sheetStream(const frames::IndexedFrames& frames, const std::vector<std::uint8_t>& cells,
                                      std::size_t columns, std::size_t scale, std::uint8_t empty,
                                      concurrency::Route route) {
    const auto width = static_cast<std::size_t>(frames.width());
    const auto height = static_cast<std::size_t>(frames.height()) * scale;
    const std::size_t cellWidth = width * scale;
    std::vector<frames::ScaledRows> scaled;
    for (std::size_t i = 0; i < frames.count(); ++i) {
        scaled.emplace_back(cells.data() + i * frames.pixelCount(), width, static_cast<std::size_t>(frames.height()),
                            scale);
    }
    std::vector<std::uint8_t> stream;
    bytes::RowDeflater::compress(
        rowsOf(frames, columns) * height, columns * cellWidth + 1,
        [&](std::size_t y, std::uint8_t* row) {
            row[0] = 0;
            for (std::size_t c = 0; c < columns; ++c) {
                const std::size_t i = (y / height) * columns + c;
                std::uint8_t* cell = row + 1 + c * cellWidth;
                if (i < frames.count()) {
                    scaled[i].copyRow(y % height, cell);
                } else {
                    std::memset(cell, empty, cellWidth);
                }
            }
        },
        Z_DEFAULT_COMPRESSION, route, stream);
    return stream;
}

} // namespace

io::ByteVector SheetWriter::png(const frames::IndexedFrames& frames, std::size_t columns, std::size_t scale,
                                concurrency::Route route, frames::Keying& keying) {
    // The pages as they are drawn, keyed by the transparent index; where
    // they need another key together, again with it. The empty cells take
    // the key, transparent only where a page has transparent pixels: no
    // frame's rectangle covers them.
    std::vector<std::uint8_t> cells(frames.count() * frames.pixelCount());
    frames::FrameUsage usage;
    for (std::size_t i = 0; i < frames.count(); ++i) {
        usage.add(frames.renderPlain(i, cells.data() + i * frames.pixelCount(), route));
    }
    keying = frames::Keying::plan(usage, frames.transparentIndex(), frames.palette());
    if (!frames.plainFits(keying)) {
        for (std::size_t i = 0; i < frames.count(); ++i) {
            frames.render(i, keying, cells.data() + i * frames.pixelCount(), route);
        }
    }
    const std::vector<std::uint8_t> stream = sheetStream(frames, cells, columns, scale, keying.key(), route);
    io::ByteVector out;
    png::PngChunks::signature(out);
    png::PngChunks::header(out, columns * static_cast<std::size_t>(frames.width()) * scale,
                           rowsOf(frames, columns) * static_cast<std::size_t>(frames.height()) * scale);
    png::PngChunks::palette(out, frames.palette(), keying.entries(frames.palette().size()), keying);
    png::PngChunks::data(out, "IDAT", stream);
    png::PngChunks::end(out);
    return out;
}

std::string SheetWriter::json(const frames::IndexedFrames& frames, std::size_t columns, std::size_t scale,
                              std::uint32_t fps, const std::string& title, const std::string& image,
                              const std::string& version) {
    const std::size_t w = static_cast<std::size_t>(frames.width()) * scale;
    const std::size_t h = static_cast<std::size_t>(frames.height()) * scale;
    const std::vector<std::uint32_t> durations = frames::FrameTiming::delays(frames.count(), fps, 1000);
    std::string text = "{ \"frames\": [\n";
    for (std::size_t i = 0; i < frames.count(); ++i) {
        const std::string rect = "{ \"x\": " + std::to_string((i % columns) * w) +
                                 ", \"y\": " + std::to_string((i / columns) * h) + ", \"w\": " + std::to_string(w) +
                                 ", \"h\": " + std::to_string(h) + " }";
        text += "  {\n";
        text += "   \"filename\": " + quoted(io::Utf8::valid(title) + " " + std::to_string(i)) + ",\n";
        text += "   \"name\": " + quoted(io::Utf8::name(frames.page(i).name)) + ",\n";
        text += "   \"frame\": " + rect + ",\n";
        text += "   \"rotated\": false,\n   \"trimmed\": false,\n";
        text += "   \"spriteSourceSize\": { \"x\": 0, \"y\": 0, \"w\": " + std::to_string(w) +
                ", \"h\": " + std::to_string(h) + " },\n";
        text += "   \"sourceSize\": " + size(w, h) + ",\n";
        text += "   \"duration\": " + std::to_string(durations[i]) + ",\n";
        text += "   \"wait\": " + std::to_string(frames.page(i).wait) + "\n";
        text += i + 1 < frames.count() ? "  },\n" : "  }\n";
    }
    const std::size_t rows = rowsOf(frames, columns);
    text += " ],\n \"meta\": {\n";
    text += "  \"app\": \"tomel-export\",\n";
    text += "  \"version\": " + quoted(version) + ",\n";
    text += "  \"image\": " + quoted(io::Utf8::valid(image)) + ",\n";
    text += "  \"format\": \"I8\",\n";
    text += "  \"size\": " + size(columns * w, rows * h) + ",\n";
    // The enlargement is in the pixels: engines that read the scale as the
    // sheet's resolution would shrink it back.
    text += "  \"scale\": \"1\",\n";
    // One animation of every page, for engines that make theirs from tags.
    text += "  \"frameTags\": [\n   { \"name\": " + quoted(io::Utf8::valid(title)) +
            ", \"from\": 0, \"to\": " + std::to_string(frames.count() - 1) + ", \"direction\": \"forward\" }\n  ]\n";
    text += " }\n}\n";
    return text;
}

} // namespace orvane::images::sheet
