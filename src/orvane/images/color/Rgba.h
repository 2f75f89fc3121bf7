#pragma once

#include <cstdint>
#include <string>

namespace orvane::images::color {

// A colour packed as 0xAARRGGBB in one 32-bit integer. A plain value type: the
// operations are inlinable statics so they fit the pixel loops.
struct Rgba {
    std::int32_t value = 0;

    constexpr bool operator==(const Rgba&) const = default;

    static constexpr Rgba _new(std::int32_t x) { return Rgba{x}; }
    static constexpr int limitateComponent(int v) { return v >= 256 ? 255 : (v < 0 ? 0 : v); }
    static constexpr Rgba fromComponents(int red, int green, int blue, int alpha = 255) {
        const std::uint32_t v = static_cast<std::uint32_t>(limitateComponent(alpha)) << 24 |
                                static_cast<std::uint32_t>(limitateComponent(red)) << 16 |
                                static_cast<std::uint32_t>(limitateComponent(green)) << 8 |
                                static_cast<std::uint32_t>(limitateComponent(blue));
        return Rgba{static_cast<std::int32_t>(v)};
    }

    static constexpr int get_alpha(Rgba c) { return component(c, 24); }
    static constexpr int get_red(Rgba c) { return component(c, 16); }
    static constexpr int get_green(Rgba c) { return component(c, 8); }
    static constexpr int get_blue(Rgba c) { return component(c, 0); }
    static constexpr Rgba set_alpha(Rgba c, int v) { return withComponent(c, 24, v); }
    static constexpr Rgba set_red(Rgba c, int v) { return withComponent(c, 16, v); }
    static constexpr Rgba set_green(Rgba c, int v) { return withComponent(c, 8, v); }
    static constexpr Rgba set_blue(Rgba c, int v) { return withComponent(c, 0, v); }

    static constexpr Rgba add(Rgba x, Rgba y) {
        return fromComponents(get_red(x) + get_red(y), get_green(x) + get_green(y), get_blue(x) + get_blue(y),
                              get_alpha(x) + get_alpha(y));
    }
    static constexpr Rgba sub(Rgba x, Rgba y) {
        return fromComponents(get_red(x) - get_red(y), get_green(x) - get_green(y), get_blue(x) - get_blue(y),
                              get_alpha(x) - get_alpha(y));
    }
    static std::string toString(Rgba c);

private:
    static constexpr int component(Rgba c, int shift) {
        return static_cast<int>((static_cast<std::uint32_t>(c.value) >> shift) & 0xFFu);
    }
    static constexpr Rgba withComponent(Rgba c, int shift, int v) {
        const std::uint32_t mask = 0xFFu << shift;
        const std::uint32_t bits = (static_cast<std::uint32_t>(v) & 0xFFu) << shift;
        return Rgba{static_cast<std::int32_t>((static_cast<std::uint32_t>(c.value) & ~mask) | bits)};
    }
};

// Upper-case hexadecimal digits of an unsigned value, without leading zeros.
std::string hexDigits(std::uint32_t v);

inline std::string Rgba::toString(Rgba c) { return hexDigits(static_cast<std::uint32_t>(c.value)); }

} // namespace orvane::images::color
