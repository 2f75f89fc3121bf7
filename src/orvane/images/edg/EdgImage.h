#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "io/Bytes.h"
#include "orvane/images/edg/EdgPage.h"
#include "orvane/images/edg/Version.h"

namespace orvane::images::edg {

// A decoded Edge document: a bank of palettes and the pages in file order.
class EdgImage {
public:
    std::int32_t get_numPages() const { return static_cast<std::int32_t>(pages.size()); }
    // Width and height of the canvas holding every page, from the origin to the
    // farthest right and bottom edges; 64-bit so that no position overflows.
    std::array<std::int64_t, 2> getSize() const;

    Version version = Version::Edge1;
    std::int32_t bitDepth = 0;
    bool isEachPalette = false;
    std::int32_t basePosition = 0;
    std::vector<Palette> paletteBank;
    std::int32_t transparentColorIndex = 0;
    std::vector<std::unique_ptr<EdgPage>> pages;
    // The inflated body of an Edge2 file, where the document keeps it; layers'
    // index arrays point into it, or into the body the decoder's caller keeps.
    io::Bytes body;
};

} // namespace orvane::images::edg
