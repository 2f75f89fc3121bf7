#include "orvane/images/frames/FrameTiming.h"

namespace orvane::images::frames {

std::vector<std::uint32_t> FrameTiming::delays(std::size_t frames, std::uint32_t fps, std::uint32_t unitsPerSecond) {
    std::vector<std::uint32_t> delays(frames);
    std::uint64_t previous = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        // (i + 1) / fps seconds, rounded half up.
        const std::uint64_t end = ((i + 1) * std::uint64_t{unitsPerSecond} * 2 + fps) / (2 * std::uint64_t{fps});
        delays[i] = static_cast<std::uint32_t>(end - previous);
        previous = end;
    }
    return delays;
}

} // namespace orvane::images::frames
