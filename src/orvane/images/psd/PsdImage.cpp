#include "orvane/images/psd/PsdImage.h"

namespace orvane::images::psd {

std::vector<color::Rgba> PsdImage::getRgbaImageData() const {
    if (!composite) return imageData;
    std::vector<color::Rgba> pixels(composite->pixelCount());
    composite->pixels(0, pixels.size(), pixels.data());
    return pixels;
}

} // namespace orvane::images::psd
