#include "orvane/images/frames/Keying.h"

#include <algorithm>
#include <limits>

namespace orvane::images::frames {

namespace {

// The palette's colour of an index; entries past the palette are black, as
// the files write them.
color::Rgb colourOf(const std::vector<color::Rgb>& palette, int index) {
    return static_cast<std::size_t>(index) < palette.size() ? palette[static_cast<std::size_t>(index)] : color::Rgb{};
}

int distance(color::Rgb a, color::Rgb b) {
    const int red = color::Rgb::get_red(a) - color::Rgb::get_red(b);
    const int green = color::Rgb::get_green(a) - color::Rgb::get_green(b);
    const int blue = color::Rgb::get_blue(a) - color::Rgb::get_blue(b);
    return red * red + green * green + blue * blue;
}

} // namespace

Keying Keying::plan(const FrameUsage& usage, std::uint8_t transparentIndex, const std::vector<color::Rgb>& palette) {
    Keying keying;
    for (std::size_t i = 0; i < 256; ++i) keying.drawnAs_[i] = static_cast<std::uint8_t>(i);
    keying.transparent_ = usage.transparent();
    keying.highest_ = usage.highest();
    keying.key_ = transparentIndex;
    if (!keying.transparent_ || !usage.draws(transparentIndex)) return keying;
    // An index nothing draws: past the palette first, where no colour is lost
    // to a key, then any.
    const int first = static_cast<int>(std::min<std::size_t>(palette.size(), 256));
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = pass == 0 ? first : 0; i < (pass == 0 ? 256 : first); ++i) {
            if (!usage.draws(static_cast<std::uint8_t>(i))) {
                keying.key_ = static_cast<std::uint8_t>(i);
                return keying;
            }
        }
    }
    // Every index is drawn: the nearest colour for the transparent index's
    // drawn pixels, the lowest index among equals.
    const color::Rgb wanted = colourOf(palette, transparentIndex);
    int best = -1;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < 256; ++i) {
        if (i == transparentIndex) continue;
        const int d = distance(wanted, colourOf(palette, i));
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    keying.drawnAs_[transparentIndex] = static_cast<std::uint8_t>(best);
    keying.exact_ = false;
    return keying;
}

int Keying::entries(std::size_t paletteSize) const {
    int needed = std::max(static_cast<int>(std::min<std::size_t>(paletteSize, 256)), highest_ + 1);
    if (transparent_) needed = std::max(needed, key_ + 1);
    return std::max(needed, 1);
}

} // namespace orvane::images::frames
