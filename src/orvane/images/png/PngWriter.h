#pragma once

#include <cstddef>

#include "concurrency/Route.h"
#include "io/ByteVector.h"
#include "orvane/images/frames/IndexedFrames.h"

namespace orvane::images::png {

// One page as an indexed PNG: the frame model's indices, the whole palette
// in PLTE, tRNS only where a pixel is transparent, enlarged by `scale`.
class PngWriter {
public:
    // The page's own keying goes into `keying`.
    static io::ByteVector write(const frames::IndexedFrames& frames, std::size_t page, std::size_t scale,
                                concurrency::Route route, frames::Keying& keying);
};

} // namespace orvane::images::png
