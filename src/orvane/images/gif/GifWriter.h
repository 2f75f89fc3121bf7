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
    // `plays`: how many times the animation plays, 0 for ever. Frames that
    // have no exact keying are told through `inexact(page, keying)`.
    template <typename Inexact>
    static io::ByteVector write(const frames::IndexedFrames& frames, std::uint32_t fps, std::uint32_t plays,
                                std::size_t scale, Inexact inexact) {
        std::vector<frames::Keying> keyings;
        for (std::size_t i = 0; i < frames.count(); ++i) {
            keyings.push_back(frames::Keying::plan(frames.usage(i), frames.transparentIndex(), frames.palette()));
            if (!keyings.back().exact()) inexact(i, keyings.back());
        }
        return write(frames, keyings, fps, plays, scale);
    }
    static io::ByteVector write(const frames::IndexedFrames& frames, const std::vector<frames::Keying>& keyings,
                                std::uint32_t fps, std::uint32_t plays, std::size_t scale);
};

} // namespace orvane::images::gif
