#include "orvane/images/gif/GifWriter.h"

#include <algorithm>

#include "concurrency/Worker.h"
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
    static const std::uint8_t head[] = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S',  'C',
                                        'A',  'P',  'E',  '2', '.', '0', 0x03, 0x01};
    out.append(head, sizeof head);
    out.le16(plays == 0 ? 0 : plays - 1);
    out.u8(0);
}

// The frame's control block; its disposal is set once every frame is known.
void control(io::ByteVector& out, const frames::Keying& keying, std::uint32_t delay) {
    out.u8(0x21);
    out.u8(0xF9);
    out.u8(4);
    out.u8(keying.transparent() ? 1u : 0u);
    out.le16(delay);
    out.u8(keying.transparent() ? keying.key() : 0);
    out.u8(0);
}

// Below this, a frame's two halves would not pay for a thread.
constexpr std::size_t splitFrom = std::size_t{1} << 20;

// Rows [from, to) of the enlarged frame through the encoder.
int encodeRows(LzwEncoder& lzw, frames::ScaledRows& rows, std::size_t from, std::size_t to, bool last) {
    for (std::size_t y = from; y < to; ++y) lzw.add(rows.row(y), rows.width());
    return lzw.finish(last);
}

// The frame's image data: the minimum code size, then the LZW codes in
// sub-blocks of at most 255 bytes, and the terminator. A large frame is two
// runs of codes, its first half and its second, the first ended with a clear
// code, so that on the helped route the second is encoded beside the first:
// the same codes on every route.
void imageData(io::ByteVector& out, const std::uint8_t* pixels, std::size_t width, std::size_t height,
               std::size_t scale, int codeSize, concurrency::Route route) {
    frames::ScaledRows rows(pixels, width, height, scale);
    std::vector<std::uint8_t> codes;
    codes.reserve(rows.width() * rows.height() / 2 + 1024);
    if (rows.width() * rows.height() < splitFrom || rows.height() < 2) {
        LzwEncoder lzw(codes, codeSize);
        encodeRows(lzw, rows, 0, rows.height(), true);
    } else {
        // What the second half's thread fills is made here.
        const std::size_t split = rows.height() / 2;
        frames::ScaledRows secondRows(pixels, width, height, scale);
        std::vector<std::uint8_t> second;
        // Room for what pixel art encodes to, where a helper may run; noise
        // makes the vector grow on the helper.
        if (route == concurrency::Route::Helped) second.reserve((rows.height() - split) * rows.width() / 2 + 1024);
        LzwEncoder secondLzw(second, codeSize, true);
        int secondUsed = 8;
        const auto encodeSecond = [&] { secondUsed = encodeRows(secondLzw, secondRows, split, rows.height(), true); };
        concurrency::Worker worker;
        const bool beside = worker.start(route, encodeSecond);
        LzwEncoder lzw(codes, codeSize);
        const int used = encodeRows(lzw, rows, 0, split, false);
        if (beside) {
            worker.join();
        } else {
            encodeSecond();
        }
        // The second run's bits go on from the first's last bit.
        const std::size_t bits = (codes.size() - 1) * 8 + static_cast<std::size_t>(used) + (second.size() - 1) * 8 +
                                 static_cast<std::size_t>(secondUsed);
        if (used == 8) {
            codes.insert(codes.end(), second.begin(), second.end());
        } else {
            for (const std::uint8_t byte : second) {
                codes.back() = static_cast<std::uint8_t>(codes.back() | byte << used);
                codes.push_back(static_cast<std::uint8_t>(byte >> (8 - used)));
            }
        }
        codes.resize((bits + 7) / 8);
    }
    out.u8(static_cast<unsigned>(codeSize));
    for (std::size_t at = 0; at < codes.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, codes.size() - at);
        out.u8(static_cast<unsigned>(n));
        out.append(codes.data() + at, n);
    }
    out.u8(0);
}

int bitsFor(int entries) {
    int bits = 1;
    while ((1 << bits) < entries) ++bits;
    return bits;
}

} // namespace

io::ByteVector GifWriter::write(const frames::IndexedFrames& frames, std::uint32_t fps, std::uint32_t plays,
                                std::size_t scale, concurrency::Route route, std::vector<frames::Keying>& keyings) {
    const auto width = static_cast<std::size_t>(frames.width());
    const auto height = static_cast<std::size_t>(frames.height());
    if (width * scale > maxSide || height * scale > maxSide) throw edg::FormatError(edg::Error::UnsupportedFormat);
    const std::vector<std::uint32_t> delays = frames::FrameTiming::delays(frames.count(), fps, 100);
    std::vector<std::uint8_t> pixels(frames.pixelCount());
    // The table as the palette needs it; where a page draws past it, every
    // page again with a larger one (the code size follows the table's).
    int tableBits = bitsFor(static_cast<int>(std::max<std::size_t>(frames.palette().size(), 1)));
    io::ByteVector images;
    std::vector<std::size_t> packed; // where each frame's disposal goes
    // Encodes every page, each rendered by render(i, pixels), which gives its
    // keying; false where the table must grow first.
    const auto encode = [&](const auto& render) {
        images = io::ByteVector();
        packed.clear();
        keyings.clear();
        for (std::size_t i = 0; i < frames.count(); ++i) {
            keyings.push_back(render(i, pixels.data()));
            const int entries = keyings.back().entries(frames.palette().size());
            if (entries > (1 << tableBits)) {
                tableBits = bitsFor(entries);
                return false;
            }
            packed.push_back(images.size() + 3);
            control(images, keyings.back(), delays[i]);
            images.u8(0x2C);
            images.le16(0);
            images.le16(0);
            images.le16(static_cast<unsigned>(width * scale));
            images.le16(static_cast<unsigned>(height * scale));
            images.u8(0); // the global table, not interlaced
            imageData(images, pixels.data(), width, height, scale, std::max(2, tableBits), route);
        }
        return true;
    };
    // One key for every frame where one fits them all, as decoders that keep
    // the first frame's key expect: first the transparent index, each page
    // rendered as it is drawn; then the key the pages need together; else
    // each page its own.
    std::vector<frames::FrameUsage> usages(frames.count());
    const auto plain = [&](std::size_t i, std::uint8_t* out) {
        usages[i] = frames.renderPlain(i, out, route);
        return frames::Keying::plan(frames::FrameUsage(), frames.transparentIndex(), frames.palette())
            .forFrame(usages[i]);
    };
    while (!encode(plain)) {}
    frames::FrameUsage all;
    for (const frames::FrameUsage& usage : usages) all.add(usage);
    const frames::Keying shared = frames::Keying::plan(all, frames.transparentIndex(), frames.palette());
    if (frames.plainFits(shared)) {
        for (std::size_t i = 0; i < frames.count(); ++i) keyings[i] = shared.forFrame(usages[i]);
    } else if (shared.exact()) {
        while (!encode([&](std::size_t i, std::uint8_t* out) {
            frames.render(i, shared, out, route);
            return shared.forFrame(usages[i]);
        })) {}
    } else {
        while (!encode([&](std::size_t i, std::uint8_t* out) { return frames.renderOwn(i, out, route); })) {}
    }
    // Disposal 2 (cleared to transparent) where any frame has transparent
    // pixels, so frames do not pile up; else 1 (left in place).
    const bool anyTransparent =
        std::any_of(keyings.begin(), keyings.end(), [](const frames::Keying& k) { return k.transparent(); });
    for (const std::size_t at : packed)
        images.bytes()[at] |= static_cast<std::uint8_t>((anyTransparent ? 2u : 1u) << 2);
    io::ByteVector out;
    screen(out, width * scale, height * scale, tableBits,
           frames.transparentIndex() < (1 << tableBits) ? frames.transparentIndex() : 0);
    table(out, frames.palette(), tableBits);
    loop(out, plays);
    out.append(images.bytes());
    out.u8(0x3B);
    return out;
}

} // namespace orvane::images::gif
