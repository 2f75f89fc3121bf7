#include "orvane/images/frames/IndexedFrames.h"

#include <algorithm>

#include "concurrency/Worker.h"
#include "orvane/images/psd/PlacedComposite.h"
#include "orvane/images/psd/PsdConverter.h"

namespace orvane::images::frames {

namespace {

constexpr std::size_t piece = std::size_t{1} << 16;
// Below this, a frame's halves would not pay for a thread.
constexpr std::size_t splitFrom = std::size_t{1} << 20;

} // namespace

IndexedFrames::IndexedFrames(const edg::EdgImage& image) : image_(image) {
    psd::PsdConverter::checkCanvas(image);
    const auto [width, height] = image.getSize();
    width_ = static_cast<std::int32_t>(width);
    height_ = static_cast<std::int32_t>(height);
    // Documents as the decoder reads them share one palette: the first page's.
    const edg::EdgPage& first = *image.pages[0];
    if (const edg::Palette* palette = first.get_palette()) {
        palette_.assign(palette->begin(),
                        palette->begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(palette->size(), 256)));
    }
    transparentIndex_ = static_cast<std::uint8_t>(first.get_transparentIndex());
}

template <typename Step>
FrameUsage IndexedFrames::forEachPiece(std::size_t i, concurrency::Route route, Step step) const {
    const psd::PlacedComposite composite(page(i), width_, height_);
    // Pixels [from, to) a piece at a time, in `scratch`, what they draw into
    // `usage`.
    const auto run = [&](std::size_t from, std::size_t to, std::vector<std::uint8_t>& scratch, FrameUsage& usage) {
        std::uint8_t* index = scratch.data();
        std::uint8_t* drawn = index + piece;
        std::uint8_t* source = drawn + piece;
        for (; from < to; from += piece) {
            const std::size_t n = std::min(piece, to - from);
            composite.indexed(from, n, index, drawn, source);
            step(from, n, index, drawn, usage);
        }
    };
    FrameUsage usage;
    std::vector<std::uint8_t> scratch(3 * piece);
    if (pixelCount() < splitFrom) {
        run(0, pixelCount(), scratch, usage);
        return usage;
    }
    // A large frame in halves: the second beside the first on the helped
    // route, with all it needs made here.
    const std::size_t half = pixelCount() / 2 / piece * piece;
    std::vector<std::uint8_t> secondScratch(3 * piece);
    FrameUsage secondUsage;
    const auto second = [&] { run(half, pixelCount(), secondScratch, secondUsage); };
    concurrency::Worker worker;
    const bool beside = worker.start(route, second);
    run(0, half, scratch, usage);
    if (beside) {
        worker.join();
    } else {
        second();
    }
    usage.add(secondUsage);
    return usage;
}

void IndexedFrames::render(std::size_t i, const Keying& keying, std::uint8_t* out, concurrency::Route route) const {
    const std::array<std::uint8_t, 256>& as = keying.drawnAs();
    const std::uint8_t key = keying.key();
    forEachPiece(
        i, route,
        [&](std::size_t from, std::size_t n, const std::uint8_t* index, const std::uint8_t* drawn, FrameUsage&) {
            std::uint8_t* target = out + from;
            for (std::size_t j = 0; j < n; ++j) target[j] = drawn[j] ? as[index[j]] : key;
        });
}

FrameUsage IndexedFrames::renderPlain(std::size_t i, std::uint8_t* out, concurrency::Route route) const {
    const std::uint8_t key = transparentIndex_;
    return forEachPiece(
        i, route,
        [&](std::size_t from, std::size_t n, const std::uint8_t* index, const std::uint8_t* drawn, FrameUsage& usage) {
            usage.add(index, drawn, n);
            std::uint8_t* target = out + from;
            for (std::size_t j = 0; j < n; ++j) {
                target[j] = static_cast<std::uint8_t>((drawn[j] & index[j]) | (~drawn[j] & key));
            }
        });
}

Keying IndexedFrames::renderOwn(std::size_t i, std::uint8_t* out, concurrency::Route route) const {
    const Keying keying = Keying::plan(renderPlain(i, out, route), transparentIndex_, palette_);
    if (!plainFits(keying)) render(i, keying, out, route);
    return keying;
}

simd::ByteTable IndexedFrames::layerDrawn(std::size_t i, bool bottom) const {
    const edg::EdgPage& p = page(i);
    const edg::PageCompositor compositor(p.layers, p.getRgbaLookup(), p.isTransparent);
    simd::ByteTable table{};
    for (std::size_t index = 0; index < 256; ++index) {
        table[index] = compositor.drawn(static_cast<std::uint8_t>(index), bottom) ? 0xFF : 0x00;
    }
    return table;
}

int IndexedFrames::bottomVisibleLayer(const edg::EdgPage& page) {
    for (int i = page.get_numLayers() - 1; i >= 0; --i) {
        if (page.layers[static_cast<std::size_t>(i)]->visible) return i;
    }
    return -1;
}

} // namespace orvane::images::frames
