#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "orvane/images/color/Rgba.h"
#include "orvane/images/edg/EdgLayer.h"
#include "orvane/images/edg/IndexArray.h"
#include "orvane/simd/PairLookup.h"

namespace orvane::images::edg {

// Composites a page's visible layers bottom-up, without blending: the lowest
// visible layer is drawn first (made opaque unless the page is transparent),
// and every layer above it replaces a pixel only where its colour's alpha is
// not 0. Works on palette indices and looks the colour up once per pixel.
class PageCompositor {
public:
    // A page's layers (the top-most first), its colours for every byte index
    // and whether it is transparent.
    PageCompositor(const std::vector<std::unique_ptr<EdgLayer>>& layers, const std::array<color::Rgba, 256>& lookup,
                   bool transparent);

    // The composite's length: that of the longest visible layer.
    std::size_t length() const { return length_; }
    // Pixels [from, from + count) of the composite into out; a pixel no
    // visible layer covers is 0.
    void compose(std::size_t from, std::size_t count, color::Rgba* out) const;

    // The same in two steps, for callers that take several planes of the
    // same pixels: first where each pixel comes from, a palette index and a
    // source (0 where no visible layer covers it, its colour is then 0)...
    void resolve(std::size_t from, std::size_t count, std::uint8_t* index, std::uint8_t* source) const;
    // ...then one 8-bit plane of their colours: (pixel >> shift) & 0xFF,
    // for a shift of 0, 8, 16 or 24.
    void planeOf(int shift, const std::uint8_t* index, const std::uint8_t* source, std::size_t count,
                 std::uint8_t* out) const;

    // For callers that keep palette indices: 0xFF where the resolved pixel
    // is drawn (its colour's alpha is not 0), 0 where it is transparent.
    void opacityOf(const std::uint8_t* index, const std::uint8_t* source, std::size_t count, std::uint8_t* out) const;
    // Whether a pixel of `index` is drawn, in the page's lowest visible layer
    // (`bottom`) or in a layer above it.
    bool drawn(std::uint8_t index, bool bottom) const {
        return (static_cast<std::uint32_t>(colours_[(bottom ? Bottom : Above) * 256 + index].value) >> 24) != 0;
    }

private:
    // Where a composite pixel comes from; indexes the rows of colours_.
    enum Source : std::uint8_t { Uncovered = 0, Bottom = 1, Above = 2 };
    static constexpr std::size_t piece = 4096;

    void resolvePiece(std::size_t start, std::size_t n, std::uint8_t* index, std::uint8_t* source) const;

    std::vector<const IndexArray*> visible_;     // bottom-most first
    std::array<color::Rgba, 3 * 256> colours_{}; // by source, then index
    // The planes of the Bottom and Above rows of colours_, by shift / 8.
    std::array<simd::PairLookup, 4> bottomPlanes_{};
    std::array<simd::PairLookup, 4> abovePlanes_{};
    simd::PairLookup opaque_;                   // 0xFF where alpha is not 0
    std::array<std::uint8_t, 3 * 256> drawn_{}; // by source, then index: 0xFF where alpha is not 0
    std::size_t length_ = 0;
};

} // namespace orvane::images::edg
