#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "orvane/images/color/Rgb.h"
#include "orvane/images/frames/FrameUsage.h"

namespace orvane::images::frames {

// How frames that share one palette write transparency: the index their
// transparent pixels take (the key) and what their drawn pixels are written
// as. The key is the document's transparent index where no drawn pixel uses
// it, else an index nothing draws. Only where every index is drawn beside
// transparent pixels is there no exact answer: the key is then the
// transparent index, and its drawn pixels take the nearest other colour.
class Keying {
public:
    static Keying plan(const FrameUsage& usage, std::uint8_t transparentIndex, const std::vector<color::Rgb>& palette);

    bool transparent() const { return transparent_; }
    std::uint8_t key() const { return key_; }
    // What a drawn pixel of each index is written as.
    const std::array<std::uint8_t, 256>& drawnAs() const { return drawnAs_; }
    // False where drawn pixels of the transparent index were rewritten.
    bool exact() const { return exact_; }
    // Where not exact: the index rewritten and what it became.
    std::uint8_t rewritten() const { return key_; }
    std::uint8_t rewrittenAs() const { return drawnAs_[key_]; }
    // The same keying for one frame of those it was planned for: whether
    // that frame has transparent pixels, and the indices it draws.
    Keying forFrame(const FrameUsage& frame) const {
        Keying keying = *this;
        keying.transparent_ = frame.transparent();
        keying.highest_ = frame.highest();
        return keying;
    }
    // The palette entries a file needs: the whole palette, and every index
    // written.
    int entries(std::size_t paletteSize) const;

private:
    bool transparent_ = false;
    std::uint8_t key_ = 0;
    std::array<std::uint8_t, 256> drawnAs_{};
    bool exact_ = true;
    int highest_ = -1;
};

} // namespace orvane::images::frames
