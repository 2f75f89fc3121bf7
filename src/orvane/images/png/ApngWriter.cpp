#include "orvane/images/png/ApngWriter.h"

#include <cstring>

#include "orvane/images/frames/FrameDelta.h"
#include "orvane/images/png/PngChunks.h"

namespace orvane::images::png {

namespace {

constexpr std::uint8_t blendSource = 0; // the frame replaces its rectangle, transparent pixels included
constexpr std::uint8_t blendOver = 1;   // the frame's transparent pixels leave what is there

// Where fewer than one pixel in this many of a frame's rectangle is
// unchanged, drawing over is not tried.
constexpr std::size_t worthTrying = 8;

// A frame as it is stored: its rectangle of the canvas, how it is drawn, and
// its zlib stream; where it is drawn over, the stream that replaces the
// rectangle instead.
struct Frame {
    frames::Rect rect;
    std::uint8_t blend = blendSource;
    std::vector<std::uint8_t> stream;
    std::vector<std::uint8_t> replacing;
};

void frameControl(io::ByteVector& out, std::uint32_t& sequence, const Frame& frame, std::size_t scale,
                  std::uint32_t fps) {
    io::ByteVector fctl;
    fctl.be32(sequence++);
    fctl.be32(static_cast<std::uint32_t>(frame.rect.width() * scale));
    fctl.be32(static_cast<std::uint32_t>(frame.rect.height() * scale));
    fctl.be32(static_cast<std::uint32_t>(frame.rect.left * scale));
    fctl.be32(static_cast<std::uint32_t>(frame.rect.top * scale));
    fctl.be16(1); // delay 1 / fps s
    fctl.be16(fps);
    fctl.u8(0); // dispose: none, the next frame is drawn over this one
    fctl.u8(frame.blend);
    PngChunks::chunk(out, "fcTL", fctl.data(), fctl.size());
}

// Rows of `width` pixels, each `stride` after the one before.
std::vector<std::uint8_t> compress(const std::uint8_t* pixels, std::size_t width, std::size_t height,
                                   std::size_t stride, std::size_t scale, concurrency::Route route) {
    std::vector<std::uint8_t> stream;
    PngChunks::compressRows(frames::ScaledRows(pixels, width, height, scale, stride), route, stream);
    return stream;
}

// Every page rendered by render(i, out), stored as what changed from the
// page before: the rectangle of the pixels that differ, drawn over the page
// before with its unchanged pixels as the key where `keyed` (the key is
// transparent) and that is shorter and no pixel turns transparent, else
// replacing the rectangle. Once render says a page draws the key, no later
// frame is drawn over.
template <typename Render>
std::vector<Frame> changes(const frames::IndexedFrames& frames, std::uint8_t key, bool keyed, std::size_t scale,
                           concurrency::Route route, const Render& render) {
    const auto width = static_cast<std::size_t>(frames.width());
    const auto height = static_cast<std::size_t>(frames.height());
    const frames::FrameDelta delta(width, height, key);
    std::vector<Frame> stored(frames.count());
    std::vector<std::uint8_t> before, current(frames.pixelCount()), over;
    if (frames.count() > 1) before.resize(frames.pixelCount());
    for (std::size_t i = 0; i < frames.count(); ++i) {
        keyed = render(i, current.data()) && keyed;
        Frame& frame = stored[i];
        if (i == 0) {
            frame.rect = frames::Rect::whole(width, height);
            frame.stream = compress(current.data(), width, height, width, scale, route);
        } else {
            frame.rect = delta.changed(before.data(), current.data());
            if (frame.rect.empty()) frame.rect = {0, 0, 1, 1};
            const std::size_t w = frame.rect.width(), h = frame.rect.height();
            frame.stream =
                compress(current.data() + frame.rect.top * width + frame.rect.left, w, h, width, scale, route);
            if (keyed && !delta.clears(frame.rect, before.data(), current.data())) {
                over.resize(w * h);
                if (delta.cut(frame.rect, before.data(), current.data(), over.data()) >= w * h / worthTrying) {
                    std::vector<std::uint8_t> drawnOver = compress(over.data(), w, h, w, scale, route);
                    if (drawnOver.size() < frame.stream.size()) {
                        frame.blend = blendOver;
                        frame.replacing = std::move(frame.stream);
                        frame.stream = std::move(drawnOver);
                    }
                }
            }
        }
        if (frames.count() > 1) before.swap(current);
    }
    return stored;
}

// Every frame drawn over replaces its rectangle instead.
void replaceAll(std::vector<Frame>& stored) {
    for (Frame& frame : stored) {
        if (frame.blend != blendOver) continue;
        frame.blend = blendSource;
        frame.stream = std::move(frame.replacing);
    }
}

} // namespace

io::ByteVector ApngWriter::write(const frames::IndexedFrames& frames, std::uint32_t fps, std::uint32_t plays,
                                 std::size_t scale, concurrency::Route route, frames::Keying& keying) {
    const auto width = static_cast<std::size_t>(frames.width());
    const auto height = static_cast<std::size_t>(frames.height());
    const std::uint8_t transparentIndex = frames.transparentIndex();
    // First each page as it is drawn, with the transparent index as the key;
    // where a page draws it, again with the key the pages need.
    std::vector<frames::FrameUsage> usages(frames.count());
    std::vector<Frame> stored =
        changes(frames, transparentIndex, true, scale, route, [&](std::size_t i, std::uint8_t* out) {
            usages[i] = frames.renderPlain(i, out, route);
            return !usages[i].draws(transparentIndex);
        });
    frames::FrameUsage all;
    for (const frames::FrameUsage& usage : usages) all.add(usage);
    const bool transparent = all.transparent();
    // An opaque animation takes a key only where one is left: it is then
    // made transparent, though no page draws it, for frames drawn over.
    frames::FrameUsage withKey = all;
    withKey.addTransparent();
    const frames::Keying spare = frames::Keying::plan(withKey, transparentIndex, frames.palette());
    const frames::Keying opaque = frames::Keying::plan(all, transparentIndex, frames.palette());
    const bool keyed = transparent || spare.exact();
    keying = keyed ? spare : opaque;
    if (!keyed && frames.plainFits(keying)) {
        replaceAll(stored);
    } else if (keying.key() != transparentIndex || !keying.exact()) {
        stored = changes(frames, keying.key(), keyed, scale, route, [&](std::size_t i, std::uint8_t* out) {
            frames.render(i, keying, out, route);
            return true;
        });
    }
    if (!transparent && keyed) {
        // Where the key's entries cost more than drawing over saves, every
        // frame replaces its rectangle, and nothing is transparent.
        std::size_t saved = 0;
        for (const Frame& frame : stored) {
            if (frame.blend == blendOver) saved += frame.replacing.size() - frame.stream.size();
        }
        const std::size_t cost = 12 + std::size_t{keying.key()} + 1 +
                                 3 * static_cast<std::size_t>(keying.entries(frames.palette().size()) -
                                                              opaque.entries(frames.palette().size()));
        if (saved <= cost) {
            replaceAll(stored);
            keying = opaque;
        }
    }
    io::ByteVector out;
    PngChunks::signature(out);
    PngChunks::header(out, width * scale, height * scale);
    io::ByteVector actl;
    actl.be32(static_cast<std::uint32_t>(frames.count()));
    actl.be32(plays);
    PngChunks::chunk(out, "acTL", actl.data(), actl.size());
    PngChunks::palette(out, frames.palette(), keying.entries(frames.palette().size()), keying);
    std::uint32_t sequence = 0;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        frameControl(out, sequence, stored[i], scale, fps);
        if (i == 0) {
            PngChunks::data(out, "IDAT", stored[i].stream);
        } else {
            PngChunks::data(out, "fdAT", stored[i].stream, &sequence);
        }
    }
    PngChunks::end(out);
    return out;
}

} // namespace orvane::images::png
