#pragma once

#include <cstdint>
#include <vector>

namespace orvane::images::frames {

// Frame delays at a frame rate, in whole units of a format's clock (1/100 s
// for GIF, 1/1000 s for Aseprite and the sheet's data): each frame ends at
// its exact time rounded to the nearest unit, so the rounding error is
// carried from frame to frame and the total stays exact (8 fps in 1/100 s:
// 13, 12, 13, 12...).
class FrameTiming {
public:
    static std::vector<std::uint32_t> delays(std::size_t frames, std::uint32_t fps, std::uint32_t unitsPerSecond);
};

} // namespace orvane::images::frames
