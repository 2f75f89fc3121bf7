#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "orvane/images/color/Rgba.h"

namespace orvane::images::psd {

class PsdImage;

// One layer record of a PSD document: placement, name, blending and pixels.
class PsdLayer {
public:
    explicit PsdLayer(PsdImage& owner) : parent(&owner) {}

    // A copy of the pixels, owned by the caller.
    std::vector<color::Rgba> getRgbaImageData() const { return imageData; }

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
};

} // namespace orvane::images::psd
