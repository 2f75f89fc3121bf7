#pragma once

#include <cstddef>
#include <cstdint>

#include "concurrency/Route.h"
#include "io/ByteVector.h"
#include "orvane/images/frames/IndexedFrames.h"

namespace orvane::images::gif {

// Every page as a frame of one GIF89a: the document's palette, in order, as
// the global colour table (no quantiser), delays in 1/100 s that carry their
// rounding error. The first frame is the whole canvas; each after it the
// rectangle that changed, over what the frame before left, with one key for
// every frame (each page whole with a key of its own where the pages draw
// every index together).
class GifWriter {
public:
    // `plays`: how many times the animation plays, 0 for ever. Each page's
    // keying goes into `keyings`. A large frame's second half is encoded
    // beside its first on the helped route.
    static io::ByteVector write(const frames::IndexedFrames& frames, std::uint32_t fps, std::uint32_t plays,
                                std::size_t scale, concurrency::Route route, std::vector<frames::Keying>& keyings);
};

} // namespace orvane::images::gif
