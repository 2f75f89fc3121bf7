#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "orvane/images/color/Rgba.h"
#include "orvane/images/psd/PixelSource.h"
#include "orvane/images/psd/PsdLayer.h"

namespace orvane::images::psd {

// A PSD document ready to be written: canvas, layers (top-most first) and the
// flattened composite.
class PsdImage {
public:
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t numChannels = 0;
    std::int32_t colorMode = 0;
    std::int32_t bitDepth = 0;
    std::vector<std::int32_t> palette;
    std::vector<std::unique_ptr<PsdLayer>> layers;
    std::vector<color::Rgba> imageData;
    // When set, the composite's pixels, made as they are written; imageData
    // is then unused.
    std::unique_ptr<const PixelSource> composite;

    std::size_t compositePixelCount() const { return composite ? composite->pixelCount() : imageData.size(); }
    // A copy of the composite's pixels, owned by the caller.
    std::vector<color::Rgba> getRgbaImageData() const;
};

} // namespace orvane::images::psd
