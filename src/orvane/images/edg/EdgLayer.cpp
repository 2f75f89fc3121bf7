#include "orvane/images/edg/EdgLayer.h"

#include "orvane/images/edg/EdgPage.h"

namespace orvane::images::edg {

std::vector<color::Rgba> EdgLayer::getRgbaImageData() const {
    const std::array<color::Rgba, 256> lookup = parent->getRgbaLookup();
    std::vector<color::Rgba> result(imageData.size());
    for (std::size_t i = 0; i < imageData.size(); ++i) result[i] = lookup[imageData[i]];
    return result;
}

} // namespace orvane::images::edg
