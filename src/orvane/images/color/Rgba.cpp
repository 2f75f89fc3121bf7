#include "orvane/images/color/Rgba.h"

namespace orvane::images::color {

std::string hexDigits(std::uint32_t v) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string reversed;
    do {
        reversed.push_back(digits[v & 0xF]);
        v >>= 4;
    } while (v != 0);
    return std::string(reversed.rbegin(), reversed.rend());
}

} // namespace orvane::images::color
