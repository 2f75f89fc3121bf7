#pragma once

#include <cstddef>
#include <cstdint>

#include "io/ByteVector.h"
#include "orvane/images/frames/IndexedFrames.h"

namespace orvane::images::gif {

// Every page as a frame of one GIF89a: the document's palette, in order, as
// the global colour table (no quantiser), each frame the whole canvas with
// its own key, delays in 1/100 s that carry their rounding error.
class GifWriter {
public:
    // `plays`: how many times the animation plays, 0 for ever. Each page's
    // keying goes into `keyings`.
    static io::ByteVector write(const frames::IndexedFrames& frames, std::uint32_t fps, std::uint32_t plays,
                                std::size_t scale, std::vector<frames::Keying>& keyings);
};

} // namespace orvane::images::gif
