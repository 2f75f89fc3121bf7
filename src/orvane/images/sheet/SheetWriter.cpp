#include "orvane/images/sheet/SheetWriter.h"

#include <cstdio>
#include <cstring>

#include "io/Utf8.h"
#include "orvane/bytes/Deflater.h"
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

// The sheet's zlib stream, its pages rendered by render(i, cell) and its
// empty cells filled with `empty`; what they draw goes into usage.
template <typename Render>
std::vector<std::uint8_t> sheetStream(const frames::IndexedFrames& frames, std::size_t columns, std::size_t scale,
                                      std::uint8_t empty, Render render) {
    const auto width = static_cast<std::size_t>(frames.width());
    const auto height = static_cast<std::size_t>(frames.height());
    const std::size_t cellWidth = width * scale;
    // One row of the grid's frames at a time, each enlarged a row at a time.
    std::vector<std::uint8_t> cells(columns * frames.pixelCount());
    std::vector<std::uint8_t> filtered(columns * cellWidth + 1);
    std::vector<std::uint8_t> stream;
    bytes::Deflater deflater(stream, Z_DEFAULT_COMPRESSION);
    for (std::size_t r = 0; r < rowsOf(frames, columns); ++r) {
        std::vector<frames::ScaledRows> scaled;
        for (std::size_t c = 0; c < columns; ++c) {
            const std::size_t i = r * columns + c;
            std::uint8_t* cell = cells.data() + c * frames.pixelCount();
            if (i < frames.count()) {
                render(i, cell);
            } else {
                std::memset(cell, empty, frames.pixelCount());
            }
            scaled.emplace_back(cell, width, height, scale);
        }
        for (std::size_t y = 0; y < height * scale; ++y) {
            filtered[0] = 0;
            for (std::size_t c = 0; c < columns; ++c) {
                std::memcpy(filtered.data() + 1 + c * cellWidth, scaled[c].row(y), cellWidth);
            }
            deflater.add(filtered.data(), filtered.size());
        }
    }
    deflater.finish();
    return stream;
}

} // namespace

io::ByteVector SheetWriter::png(const frames::IndexedFrames& frames, std::size_t columns, std::size_t scale,
                                frames::Keying& keying) {
    // The pages as they are drawn, keyed by the transparent index; where
    // they need another key together, again with it.
    frames::FrameUsage usage;
    if (rowsOf(frames, columns) * columns > frames.count()) usage.addTransparent();
    std::vector<std::uint8_t> stream =
        sheetStream(frames, columns, scale, frames.transparentIndex(),
                    [&](std::size_t i, std::uint8_t* cell) { usage.add(frames.renderPlain(i, cell)); });
    keying = frames::Keying::plan(usage, frames.transparentIndex(), frames.palette());
    if (!frames.plainFits(keying)) {
        stream = sheetStream(frames, columns, scale, keying.key(),
                             [&](std::size_t i, std::uint8_t* cell) { frames.render(i, keying, cell); });
    }
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
    text += "  \"scale\": \"" + std::to_string(scale) + "\"\n";
    text += " }\n}\n";
    return text;
}

} // namespace orvane::images::sheet
