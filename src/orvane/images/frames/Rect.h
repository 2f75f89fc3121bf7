#pragma once

#include <algorithm>
#include <cstddef>

namespace orvane::images::frames {

// A rectangle of a frame's pixels: columns [left, right), rows [top, bottom).
struct Rect {
    std::size_t left = 0, top = 0, right = 0, bottom = 0;

    static Rect whole(std::size_t width, std::size_t height) { return {0, 0, width, height}; }
    bool empty() const { return right <= left || bottom <= top; }
    std::size_t width() const { return empty() ? 0 : right - left; }
    std::size_t height() const { return empty() ? 0 : bottom - top; }
    // The smallest rectangle holding both.
    void add(const Rect& other) {
        if (other.empty()) return;
        if (empty()) {
            *this = other;
            return;
        }
        left = std::min(left, other.left);
        top = std::min(top, other.top);
        right = std::max(right, other.right);
        bottom = std::max(bottom, other.bottom);
    }
};

} // namespace orvane::images::frames
