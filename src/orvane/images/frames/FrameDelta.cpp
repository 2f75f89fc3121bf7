#include "orvane/images/frames/FrameDelta.h"

#include <cstring>

namespace orvane::images::frames {

Rect FrameDelta::changed(const std::uint8_t* before, const std::uint8_t* after) const {
    Rect bounds;
    for (std::size_t y = 0; y < height_; ++y) {
        const std::uint8_t* a = before + y * width_;
        const std::uint8_t* b = after + y * width_;
        if (std::memcmp(a, b, width_) == 0) continue;
        std::size_t left = 0;
        while (a[left] == b[left]) ++left;
        std::size_t right = width_;
        while (a[right - 1] == b[right - 1]) --right;
        bounds.add({left, y, right, y + 1});
    }
    return bounds;
}

Rect FrameDelta::cleared(const std::uint8_t* shown, const std::uint8_t* next) const {
    Rect bounds;
    for (std::size_t y = 0; y < height_; ++y) {
        const std::uint8_t* a = shown + y * width_;
        const std::uint8_t* b = next + y * width_;
        // One pass that vectorises finds the rows; the ends only there.
        bool any = false;
        for (std::size_t x = 0; x < width_; ++x) any |= (a[x] != key_) & (b[x] == key_);
        if (!any) continue;
        std::size_t left = 0;
        while (a[left] == key_ || b[left] != key_) ++left;
        std::size_t right = width_;
        while (a[right - 1] == key_ || b[right - 1] != key_) --right;
        bounds.add({left, y, right, y + 1});
    }
    return bounds;
}

bool FrameDelta::clears(const Rect& rect, const std::uint8_t* before, const std::uint8_t* after) const {
    bool any = false;
    for (std::size_t y = rect.top; y < rect.bottom && !any; ++y) {
        const std::uint8_t* a = before + y * width_;
        const std::uint8_t* b = after + y * width_;
        for (std::size_t x = rect.left; x < rect.right; ++x) any |= (a[x] != key_) & (b[x] == key_);
    }
    return any;
}

std::size_t FrameDelta::cut(const Rect& rect, const std::uint8_t* before, const std::uint8_t* after,
                            std::uint8_t* out) const {
    std::size_t keyed = 0;
    for (std::size_t y = rect.top; y < rect.bottom; ++y) {
        const std::uint8_t* a = before + y * width_;
        const std::uint8_t* b = after + y * width_;
        for (std::size_t x = rect.left; x < rect.right; ++x) {
            const bool same = a[x] == b[x];
            keyed += same & (b[x] != key_);
            *out++ = same ? key_ : b[x];
        }
    }
    return keyed;
}

} // namespace orvane::images::frames
