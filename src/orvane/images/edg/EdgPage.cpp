#include "orvane/images/edg/EdgPage.h"

#include "orvane/images/edg/EdgImage.h"

namespace orvane::images::edg {

using color::Rgba;

const Palette* EdgPage::get_palette() const {
    const std::int32_t index = parent->isEachPalette ? paletteBankIndex : 0;
    if (index < 0 || static_cast<std::size_t>(index) >= parent->paletteBank.size()) return nullptr;
    return &parent->paletteBank[static_cast<std::size_t>(index)];
}

std::vector<Rgba> EdgPage::getRbgaPalette() const {
    const Palette* palette = get_palette();
    if (palette == nullptr) return {};
    const std::int32_t transparent = parent->isEachPalette ? transparentColorIndex : parent->transparentColorIndex;
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
    std::vector<Rgba> result;
    const std::array<Rgba, 256> lookup = getRgbaLookup();
    bool drawn = false;
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
        if (!(*layer)->visible) continue;
        const std::vector<std::uint8_t>& indices = (*layer)->imageData;
        if (indices.size() > result.size()) result.resize(indices.size());
        if (!drawn) {
            const std::uint32_t forced = isTransparent ? 0u : 0xFF000000u;
            for (std::size_t j = 0; j < indices.size(); ++j) {
                result[j] = Rgba{static_cast<std::int32_t>(static_cast<std::uint32_t>(lookup[indices[j]].value) | forced)};
            }
        } else {
            for (std::size_t j = 0; j < indices.size(); ++j) {
                const Rgba pixel = lookup[indices[j]];
                if ((static_cast<std::uint32_t>(pixel.value) >> 24) != 0) result[j] = pixel;
            }
        }
        drawn = true;
    }
    return result;
}

} // namespace orvane::images::edg
