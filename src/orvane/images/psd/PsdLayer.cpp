#include "orvane/images/psd/PsdLayer.h"

#include <algorithm>

namespace orvane::images::psd {

std::vector<color::Rgba> PsdLayer::getRgbaImageData() const {
    if (!indexed) return imageData;
    std::vector<color::Rgba> pixels(indexed->pixelCount);
    const std::size_t n = std::min(indexed->indexCount, indexed->pixelCount);
    for (std::size_t i = 0; i < n; ++i) pixels[i] = indexed->palette[indexed->indices[i]];
    return pixels;
}

} // namespace orvane::images::psd
