#pragma once

#include <cstdint>
#include <string>

#include "orvane/images/color/Rgba.h"

namespace orvane::images::color {

// A colour without alpha, packed as 0x00RRGGBB.
struct Rgb {
    std::int32_t value = 0;

    constexpr bool operator==(const Rgb&) const = default;

    static constexpr Rgb _new(std::int32_t x) { return Rgb{x & 0xFFFFFF}; }
    static constexpr int limitateComponent(int v) { return Rgba::limitateComponent(v); }
    static constexpr Rgb fromComponents(int red, int green, int blue) {
        return Rgb{limitateComponent(red) << 16 | limitateComponent(green) << 8 | limitateComponent(blue)};
    }
    static constexpr int get_red(Rgb c) { return (c.value >> 16) & 0xFF; }
    static constexpr int get_green(Rgb c) { return (c.value >> 8) & 0xFF; }
    static constexpr int get_blue(Rgb c) { return c.value & 0xFF; }
    static constexpr Rgb set_red(Rgb c, int v) { return Rgb{(c.value & 0x00FFFF) | (v & 0xFF) << 16}; }
    static constexpr Rgb set_green(Rgb c, int v) { return Rgb{(c.value & 0xFF00FF) | (v & 0xFF) << 8}; }
    static constexpr Rgb set_blue(Rgb c, int v) { return Rgb{(c.value & 0xFFFF00) | (v & 0xFF)}; }

    static constexpr Rgb fromRgba(Rgba c) { return Rgb{c.value & 0xFFFFFF}; }
    static constexpr Rgba toRgba(Rgb c) {
        return Rgba{static_cast<std::int32_t>(static_cast<std::uint32_t>(c.value) | 0xFF000000u)};
    }
    static constexpr std::int32_t toInt(Rgb c) { return c.value & 0xFFFFFF; }

    static constexpr Rgb add(Rgb x, Rgb y) {
        return fromComponents(get_red(x) + get_red(y), get_green(x) + get_green(y), get_blue(x) + get_blue(y));
    }
    static constexpr Rgb sub(Rgb x, Rgb y) {
        return fromComponents(get_red(x) - get_red(y), get_green(x) - get_green(y), get_blue(x) - get_blue(y));
    }
    static std::string toString(Rgb c) { return hexDigits(static_cast<std::uint32_t>(c.value & 0xFFFFFF)); }
};

} // namespace orvane::images::color
