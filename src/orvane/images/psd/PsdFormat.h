#pragma once

#include <cstdint>
#include <limits>

namespace orvane::images::psd {

// What a PSD version 1 file of this program holds, defined once for the
// decoder's early refusals, the converter and the encoder.
struct PsdFormat {
    // The largest width or height.
    static constexpr std::int32_t MAX_SIDE = 30000;
    // Every image and layer has four 8-bit channels: red, green, blue and transparency.
    static constexpr std::int32_t CHANNEL_COUNT = 4;
    // Names are stored with a one-byte length.
    static constexpr std::int32_t MAX_NAME_LENGTH = 255;
    // A layer record's section divider type: none, the start (an open
    // folder) and the end of a group.
    static constexpr std::int32_t PIXEL_LAYER = 0;
    static constexpr std::int32_t GROUP_START = 1;
    static constexpr std::int32_t GROUP_END = 3;
    // Section lengths are stored in 4 signed bytes.
    static constexpr std::int64_t MAX_SECTION_LENGTH = std::numeric_limits<std::int32_t>::max();
};

} // namespace orvane::images::psd
