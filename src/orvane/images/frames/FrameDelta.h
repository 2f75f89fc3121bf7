#pragma once

#include <cstddef>
#include <cstdint>

#include "orvane/images/frames/Rect.h"

namespace orvane::images::frames {

// What changes from one canvas to the next, for animations that store only
// that: canvases of one size, as rendered with one key, so that two pixels
// look alike exactly where their bytes are equal.
class FrameDelta {
public:
    FrameDelta(std::size_t width, std::size_t height, std::uint8_t key) : width_(width), height_(height), key_(key) {}

    // The bounds of the pixels that differ.
    Rect changed(const std::uint8_t* before, const std::uint8_t* after) const;
    // The bounds of the pixels drawn in `shown` that `next` makes
    // transparent: what must be cleared before `next` is drawn over it.
    Rect cleared(const std::uint8_t* shown, const std::uint8_t* next) const;
    // Whether a pixel inside `rect` turns transparent.
    bool clears(const Rect& rect, const std::uint8_t* before, const std::uint8_t* after) const;
    // The rectangle of `after` into out, rect.width() x rect.height() bytes,
    // for a decoder that draws it over `before` leaving the key's pixels as
    // they are: a pixel that `before` already shows is written as the key.
    // Returns how many drawn pixels became the key.
    std::size_t cut(const Rect& rect, const std::uint8_t* before, const std::uint8_t* after, std::uint8_t* out) const;

private:
    std::size_t width_, height_;
    std::uint8_t key_;
};

} // namespace orvane::images::frames
