#pragma once

#include <cstdint>
#include <limits>

namespace orvane::images {

// What a converted document can hold: the sides and section lengths of a PSD
// file, version 1, with four 8-bit channels. The decoder refuses early what
// could never be written, before sizing anything from it; the PSD side holds
// its format to the same values.
struct OutputLimits {
    // The largest width or height.
    static constexpr std::int32_t MAX_SIDE = 30000;
    // Every image and layer has four 8-bit channels: red, green, blue and transparency.
    static constexpr std::int32_t CHANNEL_COUNT = 4;
    // Section lengths are stored in 4 signed bytes.
    static constexpr std::int64_t MAX_SECTION_LENGTH = std::numeric_limits<std::int32_t>::max();
};

} // namespace orvane::images
