#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::images::frames {

// A frame's rows enlarged by a whole factor, nearest neighbour, made one row
// at a time: each source pixel repeated `scale` times across, each source
// row `scale` times down.
class ScaledRows {
public:
    // Source row y starts at pixels + y * stride; by default rows follow
    // one another.
    ScaledRows(const std::uint8_t* pixels, std::size_t width, std::size_t height, std::size_t scale,
               std::size_t stride = 0);

    std::size_t width() const { return width_ * scale_; }
    std::size_t height() const { return height_ * scale_; }
    // Row y of the enlarged frame: width() bytes, valid until the next call.
    const std::uint8_t* row(std::size_t y);
    // Row y of the enlarged frame into out (width() bytes), from any thread.
    void copyRow(std::size_t y, std::uint8_t* out) const;

private:
    const std::uint8_t* pixels_;
    std::size_t width_, height_, scale_, stride_;
    std::vector<std::uint8_t> row_;
    std::size_t rowOf_ = static_cast<std::size_t>(-1);
};

} // namespace orvane::images::frames
