#include "orvane/images/frames/ScaledRows.h"

#include <cstring>

namespace orvane::images::frames {

ScaledRows::ScaledRows(const std::uint8_t* pixels, std::size_t width, std::size_t height, std::size_t scale,
                       std::size_t stride)
    : pixels_(pixels), width_(width), height_(height), scale_(scale), stride_(stride == 0 ? width : stride) {
    if (scale_ > 1) row_.resize(width_ * scale_);
}

const std::uint8_t* ScaledRows::row(std::size_t y) {
    if (scale_ == 1) return pixels_ + y * stride_;
    if (y / scale_ != rowOf_) {
        copyRow(y, row_.data());
        rowOf_ = y / scale_;
    }
    return row_.data();
}

void ScaledRows::copyRow(std::size_t y, std::uint8_t* out) const {
    const std::uint8_t* from = pixels_ + (y / scale_) * stride_;
    if (scale_ == 1) {
        std::memcpy(out, from, width_);
        return;
    }
    for (std::size_t x = 0; x < width_; ++x, out += scale_) std::memset(out, from[x], scale_);
}

} // namespace orvane::images::frames
