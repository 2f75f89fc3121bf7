#pragma once

#include <cstddef>
#include <cstdint>

#include "orvane/images/color/Rgba.h"

namespace orvane::images::psd {

// Pixels made when they are needed, piece by piece, instead of kept as RGBA:
// the encoder asks for each plane of a large composite in pieces it writes at
// once.
class PixelSource {
public:
    virtual ~PixelSource() = default;
    virtual std::size_t pixelCount() const = 0;
    // Work that can be done ahead, on another thread, before the first piece
    // is asked for; nothing else may use the source meanwhile.
    virtual void prepare() const {}
    // Pixels [from, from + count) as RGBA values.
    virtual void pixels(std::size_t from, std::size_t count, color::Rgba* out) const = 0;
    // One 8-bit plane of the same pixels: (pixel >> shift) & 0xFF, for a
    // shift of 0, 8, 16 or 24.
    virtual void plane(int shift, std::size_t from, std::size_t count, std::uint8_t* out) const = 0;
};

} // namespace orvane::images::psd
