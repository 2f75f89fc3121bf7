#pragma once

#include <cstddef>

#include "io/ByteVector.h"
#include "orvane/images/frames/IndexedFrames.h"

namespace orvane::images::png {

// One page as an indexed PNG: the frame model's indices, the whole palette
// in PLTE, tRNS only where a pixel is transparent, enlarged by `scale`.
class PngWriter {
public:
    // The keying of the page, as the PNG writes it.
    static frames::Keying keyingOf(const frames::IndexedFrames& frames, std::size_t page);
    static io::ByteVector write(const frames::IndexedFrames& frames, std::size_t page, const frames::Keying& keying,
                                std::size_t scale);
};

} // namespace orvane::images::png
