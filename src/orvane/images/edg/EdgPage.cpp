#include "orvane/images/edg/EdgPage.h"

#include "orvane/images/edg/EdgImage.h"
#include "orvane/images/edg/PageCompositor.h"

namespace orvane::images::edg {

using color::Rgba;

const Palette* EdgPage::get_palette() const {
    const std::int32_t index = parent->isEachPalette ? paletteBankIndex : 0;
    if (index < 0 || static_cast<std::size_t>(index) >= parent->paletteBank.size()) return nullptr;
    return &parent->paletteBank[static_cast<std::size_t>(index)];
}

std::int32_t EdgPage::get_transparentIndex() const {
    return parent->isEachPalette ? transparentColorIndex : parent->transparentColorIndex;
}

std::vector<Rgba> EdgPage::getRbgaPalette() const {
    const Palette* palette = get_palette();
    if (palette == nullptr) return {};
    const std::int32_t transparent = get_transparentIndex();
    std::vector<Rgba> result(palette->size());
    for (std::size_t i = 0; i < palette->size(); ++i) {
        const auto colour = static_cast<std::uint32_t>((*palette)[i].value);
        const bool isTransparent = transparent >= 0 && static_cast<std::size_t>(transparent) == i;
        result[i] = Rgba{static_cast<std::int32_t>(isTransparent ? colour & 0x00FFFFFFu : colour | 0xFF000000u)};
    }
    return result;
}

std::array<Rgba, 256> EdgPage::getRgbaLookup() const {
    std::array<Rgba, 256> lookup{};
    const std::vector<Rgba> palette = getRbgaPalette();
    for (std::size_t i = 0; i < palette.size() && i < lookup.size(); ++i) lookup[i] = palette[i];
    return lookup;
}

std::vector<Rgba> EdgPage::getRgbaImageData() const {
    const PageCompositor compositor(layers, getRgbaLookup(), isTransparent);
    std::vector<Rgba> result(compositor.length());
    compositor.compose(0, result.size(), result.data());
    return result;
}

} // namespace orvane::images::edg
