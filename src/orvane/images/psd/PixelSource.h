#pragma once

#include <cstddef>
#include <cstdint>

#include "orvane/images/color/Rgba.h"
#include "orvane/images/psd/CompositeTables.h"

namespace orvane::images::psd {

// Pixels made when they are needed, piece by piece, instead of kept as RGBA:
// the encoder asks for each plane of a large composite in pieces it writes at
// once.
class PixelSource {
public:
    virtual ~PixelSource() = default;
    virtual std::size_t pixelCount() const = 0;
    // Pixels [from, from + count) as RGBA values.
    virtual void pixels(std::size_t from, std::size_t count, color::Rgba* out) const = 0;

    // Planes are looked up from tables resolved once for all four, in two
    // steps, so that the long one can run on another thread: the tables are
    // allocated on the caller's thread, then resolved anywhere, reading
    // nothing but the source (which stays unchanged meanwhile) and writing
    // nothing but the tables.
    virtual CompositeTables allocateTables() const = 0;
    virtual void resolve(CompositeTables& tables) const = 0;
    // One 8-bit plane of pixels [from, from + count): (pixel >> shift) & 0xFF,
    // for a shift of 0, 8, 16 or 24, from resolved tables.
    virtual void plane(const CompositeTables& tables, int shift, std::size_t from, std::size_t count,
                       std::uint8_t* out) const = 0;
};

} // namespace orvane::images::psd
