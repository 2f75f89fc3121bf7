#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "orvane/images/color/Rgba.h"
#include "orvane/images/edg/IndexArray.h"

namespace orvane::images::edg {

class EdgPage;

// One layer of a page: a palette index per pixel of the page, row by row.
class EdgLayer {
public:
    explicit EdgLayer(EdgPage& owner) : parent(&owner) {}

    // The layer's pixels looked up in the page's RGBA palette; an index outside
    // the palette gives 0 (transparent black).
    std::vector<color::Rgba> getRgbaImageData() const;

    EdgPage* parent;
    std::string name;
    bool visible = false;
    bool isChild = false;
    bool isLocked = false;
    IndexArray imageData;
};

} // namespace orvane::images::edg
