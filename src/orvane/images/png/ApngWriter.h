#pragma once

#include <cstddef>
#include <cstdint>

#include "concurrency/Route.h"
#include "io/ByteVector.h"
#include "orvane/images/frames/IndexedFrames.h"

namespace orvane::images::png {

// Every page as a frame of one indexed APNG: one palette and one key for all
// frames, each shown for exactly 1/fps s; the first frame is the whole
// canvas and the default image, each after it the rectangle that changed,
// drawn over the frame before or replacing it.
class ApngWriter {
public:
    // The keying every frame shares goes into `keying`.
    static io::ByteVector write(const frames::IndexedFrames& frames, std::uint32_t fps, std::uint32_t plays,
                                std::size_t scale, concurrency::Route route, frames::Keying& keying);
};

} // namespace orvane::images::png
