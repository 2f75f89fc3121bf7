#include "orvane/images/frames/FrameUsage.h"

#include <array>

namespace orvane::images::frames {

void FrameUsage::add(const std::uint8_t* index, const std::uint8_t* drawn, std::size_t n) {
    // Slot 256 + index for a transparent pixel: no branch a pixel.
    std::array<std::uint8_t, 512> seen{};
    for (std::size_t i = 0; i < n; ++i) seen[std::size_t{index[i]} | ((~std::size_t{drawn[i]} & 1) << 8)] = 1;
    for (std::size_t i = 0; i < 256; ++i) {
        if (seen[i]) drawn_.set(i);
        if (seen[256 + i]) transparent_ = true;
    }
}

void FrameUsage::add(const FrameUsage& other) {
    drawn_ |= other.drawn_;
    transparent_ = transparent_ || other.transparent_;
}

int FrameUsage::highest() const {
    for (int i = 255; i >= 0; --i) {
        if (drawn_.test(static_cast<std::size_t>(i))) return i;
    }
    return -1;
}

} // namespace orvane::images::frames
