#include "orvane/images/gif/GifWriter.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

#include "concurrency/Worker.h"
#include "orvane/images/edg/Error.h"
#include "orvane/images/frames/FrameDelta.h"
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

// Below this, a frame's two halves would not pay for a thread.
constexpr std::size_t splitFrom = std::size_t{1} << 20;

// Rows [from, to) of the enlarged frame through the encoder; where `either`
// is given, each pixel may be written as its pixel instead.
int encodeRows(LzwEncoder& lzw, frames::ScaledRows& rows, frames::ScaledRows* either, std::size_t from, std::size_t to,
               bool last) {
    for (std::size_t y = from; y < to; ++y) {
        if (either != nullptr) {
            lzw.add(rows.row(y), either->row(y), rows.width());
        } else {
            lzw.add(rows.row(y), rows.width());
        }
    }
    return lzw.finish(last);
}

// A frame's pixels: row y at data + y * stride.
struct Pixels {
    const std::uint8_t* data = nullptr;
    std::size_t stride = 0;
};

// The frame's image data: the minimum code size, then the LZW codes in
// sub-blocks of at most 255 bytes, and the terminator. A large frame is two
// runs of codes, its first half and its second, the first ended with a clear
// code, so that on the helped route the second is encoded beside the first:
// the same codes on every route.
void imageData(io::ByteVector& out, const Pixels& pixels, const Pixels& either, std::size_t width, std::size_t height,
               std::size_t scale, int codeSize, concurrency::Route route) {
    frames::ScaledRows rows(pixels.data, width, height, scale, pixels.stride);
    std::optional<frames::ScaledRows> eitherRows, secondEither;
    if (either.data != nullptr) {
        eitherRows.emplace(either.data, width, height, scale, either.stride);
        secondEither.emplace(either.data, width, height, scale, either.stride);
    }
    frames::ScaledRows* const firstOther = eitherRows ? &*eitherRows : nullptr;
    frames::ScaledRows* const secondOther = secondEither ? &*secondEither : nullptr;
    std::vector<std::uint8_t> codes;
    codes.reserve(rows.width() * rows.height() / 2 + 1024);
    if (rows.width() * rows.height() < splitFrom || rows.height() < 2) {
        LzwEncoder lzw(codes, codeSize);
        encodeRows(lzw, rows, firstOther, 0, rows.height(), true);
    } else {
        // What the second half's thread fills is made here.
        const std::size_t split = rows.height() / 2;
        frames::ScaledRows secondRows(pixels.data, width, height, scale, pixels.stride);
        std::vector<std::uint8_t> second;
        // Room for what pixel art encodes to, where a helper may run; noise
        // makes the vector grow on the helper.
        if (route == concurrency::Route::Helped) second.reserve((rows.height() - split) * rows.width() / 2 + 1024);
        LzwEncoder secondLzw(second, codeSize, true);
        int secondUsed = 8;
        const auto encodeSecond = [&] {
            secondUsed = encodeRows(secondLzw, secondRows, secondOther, split, rows.height(), true);
        };
        concurrency::Worker worker;
        const bool beside = worker.start(route, encodeSecond);
        LzwEncoder lzw(codes, codeSize);
        const int used = encodeRows(lzw, rows, firstOther, 0, split, false);
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

// Where fewer than one pixel in this many of a frame's rectangle is
// unchanged, the choice between key and pixel is left to the encoder alone.
constexpr std::size_t worthTrying = 8;

// The LZW code size for a frame's pixels and its key: the bits of the
// highest, at least 2.
int codeSizeOf(int highest) { return std::max(2, bitsFor(highest + 1)); }

int codeSizeFor(const Pixels& pixels, std::size_t width, std::size_t height, std::uint8_t key) {
    std::uint8_t highest = key;
    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels.data + y * pixels.stride;
        highest = std::max(highest, *std::max_element(row, row + width));
    }
    return codeSizeOf(highest);
}

// One frame: its control block (its disposal, its delay and, where it has
// one, the index it leaves transparent), then its image over `rect` of the
// canvas.
struct Block {
    frames::Rect rect;
    unsigned disposal = 1; // 1 left in place, 2 restored to the background
    bool transparent = false;
    std::uint8_t key = 0;
    std::uint32_t delay = 0;
};

void block(io::ByteVector& out, const Block& b, const Pixels& pixels, const Pixels& either, std::size_t scale,
           int codeSize, concurrency::Route route) {
    out.u8(0x21);
    out.u8(0xF9);
    out.u8(4);
    out.u8(b.disposal << 2 | (b.transparent ? 1u : 0u));
    out.le16(b.delay);
    out.u8(b.transparent ? b.key : 0);
    out.u8(0);
    out.u8(0x2C);
    out.le16(static_cast<unsigned>(b.rect.left * scale));
    out.le16(static_cast<unsigned>(b.rect.top * scale));
    out.le16(static_cast<unsigned>(b.rect.width() * scale));
    out.le16(static_cast<unsigned>(b.rect.height() * scale));
    out.u8(0); // the global table, not interlaced
    imageData(out, pixels, either, b.rect.width(), b.rect.height(), scale, codeSize, route);
}

// The frames of one GIF, encoded one page at a time.
class Animation {
public:
    enum class Outcome { Written, KeyDrawn, TableTooSmall };
    // Renders page i into the buffer given, as a drawn pixel's index or the
    // key, and says what it draws.
    using Render = std::function<frames::FrameUsage(std::size_t, std::uint8_t*)>;

    Animation(const frames::IndexedFrames& frames, std::uint32_t fps, std::uint32_t plays, std::size_t scale,
              concurrency::Route route)
        : frames_(frames), width_(static_cast<std::size_t>(frames.width())),
          height_(static_cast<std::size_t>(frames.height())), scale_(scale), route_(route),
          delays_(frames::FrameTiming::delays(frames.count(), fps, 100)), loops_(plays != 1 && frames.count() > 1) {}

    // Every page against the one before: the rectangle that changed, in
    // which what the page before shows is the key (transparent), and
    // "restore to background" where the next page makes pixels transparent.
    // Every frame's transparent index is the key, which no page draws, so
    // every decoder restores to transparent, whatever it takes the
    // background to be.
    Outcome changes(std::uint8_t key, int& tableBits, const Render& render, io::ByteVector& out) const {
        const std::size_t count = frames_.count();
        const std::size_t pixels = frames_.pixelCount();
        const frames::FrameDelta delta(width_, height_, key);
        std::vector<std::uint8_t> shown, current(pixels), next, cut;
        if (count > 1) {
            shown.assign(pixels, key);
            next.resize(pixels);
        }
        int firstHighest = -1;
        const auto take = [&](std::size_t i, std::uint8_t* into) {
            const frames::FrameUsage usage = render(i, into);
            if (i == 0) firstHighest = usage.highest();
            if (usage.draws(key)) return Outcome::KeyDrawn;
            const int entries = std::max(usage.highest(), int{key}) + 1;
            if (entries > (1 << tableBits)) {
                tableBits = bitsFor(entries);
                return Outcome::TableTooSmall;
            }
            return Outcome::Written;
        };
        if (const Outcome outcome = take(0, current.data()); outcome != Outcome::Written) return outcome;
        for (std::size_t i = 0; i < count; ++i) {
            const bool following = i + 1 < count || loops_;
            if (following) {
                // The last page is followed by the first, where the animation loops.
                const Outcome outcome = take((i + 1) % count, next.data());
                if (outcome != Outcome::Written) return outcome;
            }
            Block b;
            b.rect = i == 0 ? frames::Rect::whole(width_, height_) : delta.changed(shown.data(), current.data());
            const frames::Rect cleared = following ? delta.cleared(current.data(), next.data()) : frames::Rect{};
            b.rect.add(cleared);
            if (b.rect.empty()) b.rect = {0, 0, 1, 1};
            b.disposal = cleared.empty() ? 1 : 2;
            b.transparent = true;
            b.key = key;
            b.delay = delays_[i];
            if (i == 0) {
                const Pixels whole{current.data(), width_};
                block(out, b, whole, {}, scale_, codeSizeOf(std::max(firstHighest, int{key})), route_);
            } else {
                // The pixels as they are, each unchanged one free to be the
                // key instead; which of the two is tried first decides
                // where neither continues a string, so both are tried where
                // there are many such pixels, and the shorter kept.
                const std::size_t area = b.rect.width() * b.rect.height();
                cut.resize(area);
                const std::size_t unchanged = delta.cut(b.rect, shown.data(), current.data(), cut.data());
                const Pixels values{current.data() + b.rect.top * width_ + b.rect.left, width_};
                const Pixels keyed{cut.data(), b.rect.width()};
                const int codeSize = codeSizeFor(values, b.rect.width(), b.rect.height(), key);
                const std::size_t at = out.size();
                block(out, b, values, keyed, scale_, codeSize, route_);
                if (unchanged >= area / worthTrying) {
                    io::ByteVector other;
                    block(other, b, keyed, values, scale_, codeSize, route_);
                    if (other.size() < out.size() - at) {
                        out.bytes().resize(at);
                        out.append(other.bytes());
                    }
                }
            }
            if (count > 1) {
                // The canvas the next page is drawn on.
                for (std::size_t y = b.rect.top; y < b.rect.bottom; ++y) {
                    std::uint8_t* row = shown.data() + y * width_ + b.rect.left;
                    if (b.disposal == 2) {
                        std::memset(row, key, b.rect.width());
                    } else {
                        std::memcpy(row, current.data() + y * width_ + b.rect.left, b.rect.width());
                    }
                }
                current.swap(next);
            }
        }
        return Outcome::Written;
    }

    // Where the pages together draw every index, so that no key is left for
    // them all: each page whole, with a key of its own where it has one,
    // restored to the background where the next page makes pixels
    // transparent.
    Outcome whole(int& tableBits, const Render& plain, std::vector<frames::Keying>& keyings,
                  io::ByteVector& out) const {
        const std::size_t count = frames_.count();
        const std::size_t pixels = frames_.pixelCount();
        std::vector<std::uint8_t> current(pixels), next(count > 1 ? pixels : 0);
        keyings.assign(count, frames::Keying());
        std::vector<bool> keyed(count);
        std::vector<int> highest(count, -1);
        const auto take = [&](std::size_t i, std::uint8_t* into) {
            const frames::FrameUsage usage = plain(i, into);
            highest[i] = usage.highest();
            frames::FrameUsage withKey = usage;
            withKey.addTransparent();
            const frames::Keying spare =
                frames::Keying::plan(withKey, frames_.transparentIndex(), frames_.palette()).forFrame(usage);
            // An opaque page takes a key only where one is left.
            keyings[i] = usage.transparent() || spare.exact()
                             ? spare
                             : frames::Keying::plan(usage, frames_.transparentIndex(), frames_.palette());
            keyed[i] = usage.transparent() || spare.exact();
            if (!frames_.plainFits(keyings[i])) frames_.render(i, keyings[i], into, route_);
            int entries = keyings[i].entries(frames_.palette().size());
            if (keyed[i]) entries = std::max(entries, keyings[i].key() + 1);
            if (entries <= (1 << tableBits)) return Outcome::Written;
            tableBits = bitsFor(entries);
            return Outcome::TableTooSmall;
        };
        if (const Outcome outcome = take(0, current.data()); outcome != Outcome::Written) return outcome;
        for (std::size_t i = 0; i < count; ++i) {
            const bool following = i + 1 < count || loops_;
            const std::size_t after = (i + 1) % count;
            if (following) {
                const Outcome outcome = take(after, next.data());
                if (outcome != Outcome::Written) return outcome;
            }
            Block b;
            b.rect = frames::Rect::whole(width_, height_);
            b.transparent = keyed[i];
            b.key = keyings[i].key();
            b.delay = delays_[i];
            if (following && keyings[after].transparent()) {
                // A pixel drawn here and transparent next.
                const std::uint8_t* shown = current.data();
                const std::uint8_t* coming = next.data();
                const std::uint8_t ownKey = keyings[i].key();
                const std::uint8_t nextKey = keyings[after].key();
                const bool ownTransparent = keyings[i].transparent();
                bool clears = false;
                for (std::size_t j = 0; j < pixels; ++j) {
                    clears |= (!ownTransparent || shown[j] != ownKey) & (coming[j] == nextKey);
                }
                b.disposal = clears ? 2 : 1;
            }
            const Pixels page{current.data(), width_};
            block(out, b, page, {}, scale_, codeSizeOf(std::max(highest[i], b.transparent ? int{b.key} : 0)), route_);
            current.swap(next);
        }
        return Outcome::Written;
    }

private:
    const frames::IndexedFrames& frames_;
    std::size_t width_, height_, scale_;
    concurrency::Route route_;
    std::vector<std::uint32_t> delays_;
    bool loops_;
};

} // namespace

io::ByteVector GifWriter::write(const frames::IndexedFrames& frames, std::uint32_t fps, std::uint32_t plays,
                                std::size_t scale, concurrency::Route route, std::vector<frames::Keying>& keyings) {
    const auto width = static_cast<std::size_t>(frames.width());
    const auto height = static_cast<std::size_t>(frames.height());
    if (width * scale > maxSide || height * scale > maxSide) throw edg::FormatError(edg::Error::UnsupportedFormat);
    const Animation animation(frames, fps, plays, scale, route);
    const std::size_t count = frames.count();
    // The table as the palette needs it; where a page draws past it, or the
    // key lies past it, every page again with a larger one. Each frame's
    // code size is what its own indices need.
    const int paletteBits = bitsFor(static_cast<int>(std::max<std::size_t>(frames.palette().size(), 1)));
    int tableBits = paletteBits;
    io::ByteVector images;
    std::vector<frames::FrameUsage> usages(count);
    std::vector<bool> rendered(count);
    // The first page is asked for again where the animation loops, and by
    // each attempt: kept as it is drawn.
    std::vector<std::uint8_t> first;
    const auto plain = [&](std::size_t i, std::uint8_t* out) {
        if (i == 0 && !first.empty()) {
            std::memcpy(out, first.data(), first.size());
            return usages[0];
        }
        usages[i] = frames.renderPlain(i, out, route);
        rendered[i] = true;
        if (i == 0 && count > 1) first.assign(out, out + frames.pixelCount());
        return usages[i];
    };
    const auto encode = [&](const auto& attempt) {
        Animation::Outcome outcome;
        do {
            images = io::ByteVector();
            outcome = attempt();
        } while (outcome == Animation::Outcome::TableTooSmall);
        return outcome;
    };
    // First the transparent index as the key, each page rendered as it is
    // drawn; where a page draws it, another index that no page draws; where
    // the pages draw every index, each page whole with a key of its own.
    std::uint8_t key = frames.transparentIndex();
    const auto withKey = [&](const Animation::Render& render) {
        return encode([&] { return animation.changes(key, tableBits, render, images); });
    };
    frames::FrameUsage all;
    if (withKey(plain) == Animation::Outcome::KeyDrawn) {
        // What the pages draw together, until they draw every index.
        std::vector<std::uint8_t> scratch;
        for (std::size_t i = 0; i < count && !all.drawsEvery(); ++i) {
            if (!rendered[i]) {
                scratch.resize(frames.pixelCount());
                plain(i, scratch.data());
            }
            all.add(usages[i]);
        }
    } else {
        for (const frames::FrameUsage& usage : usages) all.add(usage);
    }
    all.addTransparent();
    const frames::Keying shared = frames::Keying::plan(all, frames.transparentIndex(), frames.palette());
    if (shared.key() != key && shared.exact()) {
        key = shared.key();
        tableBits = paletteBits;
        withKey([&](std::size_t i, std::uint8_t* out) {
            frames.render(i, shared, out, route);
            return usages[i];
        });
    }
    if (shared.exact()) {
        keyings.clear();
        for (const frames::FrameUsage& usage : usages) keyings.push_back(shared.forFrame(usage));
    } else {
        tableBits = paletteBits;
        encode([&] { return animation.whole(tableBits, plain, keyings, images); });
        key = keyings[0].key();
    }
    io::ByteVector out;
    screen(out, width * scale, height * scale, tableBits, key < (1 << tableBits) ? key : 0);
    table(out, frames.palette(), tableBits);
    loop(out, plays);
    out.append(images.bytes());
    out.u8(0x3B);
    return out;
}

} // namespace orvane::images::gif
