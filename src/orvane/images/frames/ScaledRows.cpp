#include "orvane/images/frames/ScaledRows.h"

#include <cstring>

namespace orvane::images::frames {

ScaledRows::ScaledRows(const std::uint8_t* pixels, std::size_t width, std::size_t height, std::size_t scale)
    : pixels_(pixels), width_(width), height_(height), scale_(scale) {
    if (scale_ > 1) row_.resize(width_ * scale_);
}

const std::uint8_t* ScaledRows::row(std::size_t y) {
    const std::size_t source = y / scale_;
    const std::uint8_t* from = pixels_ + source * width_;
    if (scale_ == 1) return from;
    if (source != rowOf_) {
        std::uint8_t* to = row_.data();
        for (std::size_t x = 0; x < width_; ++x, to += scale_) std::memset(to, from[x], scale_);
        rowOf_ = source;
    }
    return row_.data();
}

} // namespace orvane::images::frames
