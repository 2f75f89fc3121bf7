#include "orvane/images/edg/EdgImage.h"

#include <algorithm>

namespace orvane::images::edg {

std::array<std::int64_t, 2> EdgImage::getSize() const {
    std::int64_t width = 0;
    std::int64_t height = 0;
    for (const auto& page : pages) {
        width = std::max(width, std::int64_t{page->x} + page->width);
        height = std::max(height, std::int64_t{page->y} + page->height);
    }
    return {width, height};
}

} // namespace orvane::images::edg
