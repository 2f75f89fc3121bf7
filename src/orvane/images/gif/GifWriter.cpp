#include "orvane/images/gif/GifWriter.h"

#include <algorithm>

#include "orvane/images/edg/Error.h"
#include "orvane/images/frames/FrameTiming.h"
#include "orvane/images/frames/ScaledRows.h"
#include "orvane/images/gif/LzwEncoder.h"

namespace orvane::images::gif {

namespace {

constexpr std::size_t maxSide = 0xFFFF;

void screen(io::ByteVector& out, std::size_t width, std::size_t height, int tableBits, std::uint8_t background) {
    out.append(std::string("GIF89a"));
    out.le16(static_cast<unsigned>(width));
    out.le16(static_cast<unsigned>(height));
    // A global table, colour resolution 8 bits, not sorted, 2^tableBits entries.
    out.u8(0x80u | 0x70u | static_cast<unsigned>(tableBits - 1));
    out.u8(background);
    out.u8(0); // no aspect ratio
}

void table(io::ByteVector& out, const std::vector<color::Rgb>& palette, int tableBits) {
    for (std::size_t i = 0; i < (std::size_t{1} << tableBits); ++i) {
        const color::Rgb c = i < palette.size() ? palette[i] : color::Rgb{};
        out.u8(static_cast<unsigned>(color::Rgb::get_red(c)));
        out.u8(static_cast<unsigned>(color::Rgb::get_green(c)));
        out.u8(static_cast<unsigned>(color::Rgb::get_blue(c)));
    }
}

// NETSCAPE2.0's loop count is the number of repeats after the first play.
void loop(io::ByteVector& out, std::uint32_t plays) {
    if (plays == 1) return;
    static const std::uint8_t head[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01};
    out.append(head, sizeof head);
    out.le16(plays == 0 ? 0 : plays - 1);
    out.u8(0);
}

void control(io::ByteVector& out, const frames::Keying& keying, bool clearAfter, std::uint32_t delay) {
    out.u8(0x21);
    out.u8(0xF9);
    out.u8(4);
    // Disposal 2 (cleared to transparent) where a frame with transparent
    // pixels may follow, so frames do not pile up; else 1 (left in place).
    out.u8((clearAfter ? 2u : 1u) << 2 | (keying.transparent() ? 1u : 0u));
    out.le16(delay);
    out.u8(keying.transparent() ? keying.key() : 0);
    out.u8(0);
}

} // namespace

io::ByteVector GifWriter::write(const frames::IndexedFrames& frames, const std::vector<frames::Keying>& keyings,
                                std::uint32_t fps, std::uint32_t plays, std::size_t scale) {
    const auto width = static_cast<std::size_t>(frames.width());
    const auto height = static_cast<std::size_t>(frames.height());
    if (width * scale > maxSide || height * scale > maxSide) throw edg::FormatError(edg::Error::UnsupportedFormat);
    int entries = 1;
    bool anyTransparent = false;
    for (const frames::Keying& keying : keyings) {
        entries = std::max(entries, keying.entries(frames.palette().size()));
        anyTransparent = anyTransparent || keying.transparent();
    }
    int tableBits = 1;
    while ((1 << tableBits) < entries) ++tableBits;
    io::ByteVector out;
    screen(out, width * scale, height * scale, tableBits, frames.transparentIndex() < (1 << tableBits)
                                                              ? frames.transparentIndex()
                                                              : 0);
    table(out, frames.palette(), tableBits);
    loop(out, plays);
    const std::vector<std::uint32_t> delays = frames::FrameTiming::delays(frames.count(), fps, 100);
    std::vector<std::uint8_t> pixels(frames.pixelCount());
    for (std::size_t i = 0; i < frames.count(); ++i) {
        control(out, keyings[i], anyTransparent, delays[i]);
        out.u8(0x2C);
        out.le16(0);
        out.le16(0);
        out.le16(static_cast<unsigned>(width * scale));
        out.le16(static_cast<unsigned>(height * scale));
        out.u8(0); // the global table, not interlaced
        frames.render(i, keyings[i], pixels.data());
        frames::ScaledRows rows(pixels.data(), width, height, scale);
        LzwEncoder lzw(out, std::max(2, tableBits));
        for (std::size_t y = 0; y < rows.height(); ++y) lzw.add(rows.row(y), rows.width());
        lzw.finish();
    }
    out.u8(0x3B);
    return out;
}

} // namespace orvane::images::gif
