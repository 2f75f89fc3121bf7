#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "orvane/images/color/Rgba.h"

namespace orvane::images::psd {

class PsdImage;

// Pixels kept as palette indices until they are written: the encoder looks
// each index up plane by plane, so a layer never needs an RGBA copy. The
// indices belong to the source document, which must outlive the layer. Pixels
// past the last index are transparent (0); indices past pixelCount are unused.
struct IndexedPixels {
    const std::uint8_t* indices = nullptr;
    std::size_t indexCount = 0;
    std::size_t pixelCount = 0;
    std::array<color::Rgba, 256> palette{};
};

// One layer record of a PSD document: placement, name, blending and pixels.
class PsdLayer {
public:
    explicit PsdLayer(PsdImage& owner) : parent(&owner) {}

    // A copy of the pixels, owned by the caller.
    std::vector<color::Rgba> getRgbaImageData() const;
    std::size_t pixelCount() const { return indexed ? indexed->pixelCount : imageData.size(); }

    PsdImage* parent;
    std::string name;
    bool visible = true;
    bool isLocked = false;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t numChannels = 0;
    std::string blendMode;
    std::int32_t opacity = 0;
    std::int32_t clipping = 0;
    std::int32_t flags = 0;
    // Section divider: 0 none, 1 start of a group (open folder), 3 end of a group.
    std::int32_t type = 0;
    std::vector<color::Rgba> imageData;
    // When set, the layer's pixels; imageData is then unused.
    std::optional<IndexedPixels> indexed;
};

} // namespace orvane::images::psd
