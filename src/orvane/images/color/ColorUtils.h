#pragma once

#include "io/Input.h"
#include "orvane/images/color/Rgb.h"
#include "orvane/images/color/Rgba.h"

namespace orvane::images::color {

// Readers of palette entries: single bytes in the order shown, whatever the
// reader's byte order.
class ColorUtils {
public:
    template <typename Reader>
    static Rgb readRgb(Reader& input) {
        const int red = input.readByte();
        const int green = input.readByte();
        const int blue = input.readByte();
        return Rgb::fromComponents(red, green, blue);
    }
    template <typename Reader>
    static Rgb readBgr(Reader& input) {
        const int blue = input.readByte();
        const int green = input.readByte();
        const int red = input.readByte();
        return Rgb::fromComponents(red, green, blue);
    }
    template <typename Reader>
    static Rgba readRgba(Reader& input) {
        const int red = input.readByte();
        const int green = input.readByte();
        const int blue = input.readByte();
        const int alpha = input.readByte();
        return Rgba::fromComponents(red, green, blue, alpha);
    }
};

} // namespace orvane::images::color
