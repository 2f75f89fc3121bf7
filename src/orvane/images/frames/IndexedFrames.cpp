#include "orvane/images/frames/IndexedFrames.h"

#include <algorithm>

#include "orvane/images/psd/PlacedComposite.h"
#include "orvane/images/psd/PsdConverter.h"

namespace orvane::images::frames {

namespace {

constexpr std::size_t piece = std::size_t{1} << 16;

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
void IndexedFrames::forEachPiece(std::size_t i, Step step) const {
    const psd::PlacedComposite composite(page(i), width_, height_);
    std::vector<std::uint8_t> scratch(3 * std::min(piece, pixelCount()));
    std::uint8_t* index = scratch.data();
    std::uint8_t* drawn = index + scratch.size() / 3;
    std::uint8_t* source = drawn + scratch.size() / 3;
    for (std::size_t from = 0; from < pixelCount(); from += piece) {
        const std::size_t n = std::min(piece, pixelCount() - from);
        composite.indexed(from, n, index, drawn, source);
        step(from, n, index, drawn);
    }
}

void IndexedFrames::render(std::size_t i, const Keying& keying, std::uint8_t* out) const {
    const std::array<std::uint8_t, 256>& as = keying.drawnAs();
    const std::uint8_t key = keying.key();
    forEachPiece(i, [&](std::size_t from, std::size_t n, const std::uint8_t* index, const std::uint8_t* drawn) {
        std::uint8_t* target = out + from;
        for (std::size_t j = 0; j < n; ++j) target[j] = drawn[j] ? as[index[j]] : key;
    });
}

FrameUsage IndexedFrames::renderPlain(std::size_t i, std::uint8_t* out) const {
    FrameUsage usage;
    const std::uint8_t key = transparentIndex_;
    forEachPiece(i, [&](std::size_t from, std::size_t n, const std::uint8_t* index, const std::uint8_t* drawn) {
        usage.add(index, drawn, n);
        std::uint8_t* target = out + from;
        for (std::size_t j = 0; j < n; ++j)
            target[j] = static_cast<std::uint8_t>((drawn[j] & index[j]) | (~drawn[j] & key));
    });
    return usage;
}

Keying IndexedFrames::renderOwn(std::size_t i, std::uint8_t* out) const {
    const Keying keying = Keying::plan(renderPlain(i, out), transparentIndex_, palette_);
    if (!plainFits(keying)) render(i, keying, out);
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
