#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orvane/images/color/Rgb.h"
#include "orvane/images/color/Rgba.h"
#include "orvane/images/edg/EdgLayer.h"

namespace orvane::images::edg {

class EdgImage;

using Palette = std::vector<color::Rgb>;

// One page (animation frame) of a document; layers[0] is the top-most layer.
class EdgPage {
public:
    explicit EdgPage(EdgImage& owner) : parent(&owner) {}

    // The page's palette from the image's bank, or nullptr when the bank has no
    // such entry.
    const Palette* get_palette() const;
    // The index shown transparent: the page's own where each page has its
    // palette, else the document's.
    std::int32_t get_transparentIndex() const;
    // The palette as opaque colours, the transparent index with alpha 0. A page
    // without a palette gets an empty one.
    std::vector<color::Rgba> getRbgaPalette() const;
    // The same palette as a table for every possible byte index; indices past
    // the palette map to 0.
    std::array<color::Rgba, 256> getRgbaLookup() const;
    // The visible layers composited bottom-up without blending; the bottom
    // drawn layer is made opaque unless the page is transparent.
    std::vector<color::Rgba> getRgbaImageData() const;
    std::int32_t get_numLayers() const { return static_cast<std::int32_t>(layers.size()); }

    EdgImage* parent;
    std::string name;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t bitDepth = 8;
    bool isTransparent = false;
    bool isAbailable = true;
    std::int32_t transparentColorIndex = 0;
    std::int32_t wait = 0;
    std::int32_t nextBackgroundType = 0;
    bool isChild = false;
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool isRelativeX = false;
    bool isRelativeY = false;
    std::int32_t paletteBankIndex = 0;
    std::vector<std::unique_ptr<EdgLayer>> layers;
};

} // namespace orvane::images::edg
