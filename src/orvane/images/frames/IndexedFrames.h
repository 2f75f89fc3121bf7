#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "concurrency/Route.h"
#include "orvane/images/color/Rgb.h"
#include "orvane/images/edg/EdgImage.h"
#include "orvane/images/frames/FrameUsage.h"
#include "orvane/images/frames/Keying.h"
#include "orvane/simd/ByteLookup.h"

namespace orvane::images::frames {

// The document's pages as frames of palette indices, the model every export
// format reads: each page's visible layers composited bottom to top, by the
// rules of the PSD's composite, at the page's position on the document's
// canvas (the PSD's size). A pixel is drawn in a palette index, or
// transparent. The pages are composited when asked, one at a time.
class IndexedFrames {
public:
    // Refuses what the PSD conversion refuses for its canvas: no pages
    // (InvalidFormat), an empty or too large canvas or page
    // (UnsupportedFormat).
    explicit IndexedFrames(const edg::EdgImage& image);

    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::size_t pixelCount() const { return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_); }
    std::size_t count() const { return image_.pages.size(); }
    const edg::EdgPage& page(std::size_t i) const { return *image_.pages[i]; }
    // The colours every page is drawn in, in index order: at most 256.
    const std::vector<color::Rgb>& palette() const { return palette_; }
    std::uint8_t transparentIndex() const { return transparentIndex_; }

    // Page i on the canvas, pixelCount() bytes: a drawn pixel as the keying
    // writes its index, a transparent one as its key.
    // A large page is composited in halves, the second beside the first on
    // the helped route.
    void render(std::size_t i, const Keying& keying, std::uint8_t* out, concurrency::Route route) const;
    // The same in one pass where it can be: a drawn pixel as its index, a
    // transparent one as the transparent index, and what the page draws.
    // The page is right as it stands for any keying whose key is the
    // transparent index and that is exact.
    FrameUsage renderPlain(std::size_t i, std::uint8_t* out, concurrency::Route route) const;
    // Page i with its own keying, which it returns.
    Keying renderOwn(std::size_t i, std::uint8_t* out, concurrency::Route route) const;
    // Whether a page rendered plain is right as it stands for the keying.
    bool plainFits(const Keying& keying) const { return keying.exact() && keying.key() == transparentIndex_; }

    // For formats that keep the layers: 0xFF for the indices a layer's pixel
    // is drawn in, 0 for those it is transparent in. The page's lowest
    // visible layer (`bottom`) follows the page's rule; every other layer,
    // hidden ones too, the rule of the layers above it.
    simd::ByteTable layerDrawn(std::size_t page, bool bottom) const;
    // The index of the page's lowest visible layer in its layers (the
    // top-most first), or -1.
    static int bottomVisibleLayer(const edg::EdgPage& page);

private:
    // Runs step(from, n, index, drawn, usage) over page i's canvas pixels, a
    // piece at a time; returns what the steps put in their usage.
    template <typename Step>
    FrameUsage forEachPiece(std::size_t i, concurrency::Route route, Step step) const;

    const edg::EdgImage& image_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::vector<color::Rgb> palette_;
    std::uint8_t transparentIndex_ = 0;
};

} // namespace orvane::images::frames
