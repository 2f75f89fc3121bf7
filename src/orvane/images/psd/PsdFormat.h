#pragma once

#include <cstdint>

#include "orvane/images/OutputLimits.h"

namespace orvane::images::psd {

// What a PSD version 1 file of this program holds, for the converter and the
// encoder; the limits it shares with the decoder's early refusals come from
// OutputLimits.
struct PsdFormat {
    static constexpr std::int32_t MAX_SIDE = OutputLimits::MAX_SIDE;
    static constexpr std::int32_t CHANNEL_COUNT = OutputLimits::CHANNEL_COUNT;
    // Names are stored with a one-byte length.
    static constexpr std::int32_t MAX_NAME_LENGTH = 255;
    // A layer record's section divider type: none, the start (an open
    // folder) and the end of a group.
    static constexpr std::int32_t PIXEL_LAYER = 0;
    static constexpr std::int32_t GROUP_START = 1;
    static constexpr std::int32_t GROUP_END = 3;
    static constexpr std::int64_t MAX_SECTION_LENGTH = OutputLimits::MAX_SECTION_LENGTH;
};

} // namespace orvane::images::psd
