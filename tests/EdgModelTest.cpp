#include <gtest/gtest.h>

#include "orvane/images/edg/EdgImage.h"
#include "support/ModelBuilder.h"

using namespace orvane::images::edg;
using orvane::images::color::Rgb;
using orvane::images::color::Rgba;

namespace {

constexpr std::int32_t packed(std::uint32_t v) { return static_cast<std::int32_t>(v); }

// An image with one page and a 4-colour palette: 0 = 0x000010, 1 = 0x000011, ...
struct Fixture {
    Fixture() {
        image.paletteBank.push_back({Rgb{0x10}, Rgb{0x11}, Rgb{0x12}, Rgb{0x13}});
        image.pages.push_back(std::make_unique<EdgPage>(image));
    }
    EdgPage& page() { return *image.pages[0]; }
    EdgLayer& addLayer(std::vector<std::uint8_t> indices, bool visible = true) {
        return tests::addLayer(page(), "", std::move(indices), visible);
    }
    std::vector<std::int32_t> composite() {
        std::vector<std::int32_t> values;
        for (const Rgba pixel : page().getRgbaImageData()) values.push_back(pixel.value);
        return values;
    }
    EdgImage image;
};

} // namespace

TEST(EdgModel, PaletteTransparencyAndLookup) {
    Fixture f;
    f.image.transparentColorIndex = 1;
    const auto palette = f.page().getRbgaPalette();
    ASSERT_EQ(palette.size(), 4u);
    EXPECT_EQ(palette[0].value, packed(0xFF000010));
    EXPECT_EQ(palette[1].value, 0x11);
    f.image.transparentColorIndex = 300;
    EXPECT_EQ(f.page().getRbgaPalette()[1].value, packed(0xFF000011));

    // Out-of-palette indices give 0; the bank index is ignored without isEachPalette.
    EdgLayer& layer = f.addLayer({3, 200});
    f.page().paletteBankIndex = 5;
    const auto pixels = layer.getRgbaImageData();
    ASSERT_EQ(pixels.size(), 2u);
    EXPECT_EQ(pixels[0].value, packed(0xFF000013));
    EXPECT_EQ(pixels[1].value, 0);

    f.image.paletteBank.clear();
    EXPECT_EQ(f.page().get_palette(), nullptr);
    EXPECT_TRUE(f.page().getRbgaPalette().empty());
    EXPECT_EQ(layer.getRgbaImageData()[0].value, 0);
}

TEST(EdgModel, CompositeBottomUpWithoutBlending) {
    Fixture f;
    f.image.transparentColorIndex = 0;
    f.addLayer({0, 2, 0});           // top: index 0 lets what is below show
    f.addLayer({3, 3, 3, 3}, false); // hidden: never drawn, never the bottom
    f.addLayer({0, 1, 1});           // lowest visible: made opaque
    EXPECT_EQ(f.composite(), (std::vector<std::int32_t>{packed(0xFF000010), packed(0xFF000012), packed(0xFF000011)}));

    f.page().isTransparent = true;
    EXPECT_EQ(f.composite(), (std::vector<std::int32_t>{0x10, packed(0xFF000012), packed(0xFF000011)}));
}

TEST(EdgModel, CompositeLengthFollowsTheLongestVisibleLayer) {
    Fixture f;
    EXPECT_TRUE(f.composite().empty());
    f.addLayer({1, 1, 1, 1, 1}, false);
    EXPECT_TRUE(f.composite().empty());
    f.addLayer({2, 2, 2});
    f.addLayer({});
    EXPECT_EQ(f.composite().size(), 3u);
    EXPECT_EQ(f.composite()[0], packed(0xFF000012));
}

TEST(EdgModel, CanvasSizeCoversEveryPage) {
    EdgImage image;
    EXPECT_EQ(image.getSize(), (std::array<std::int64_t, 2>{0, 0}));
    for (const auto [x, y, w, h] : {std::array{0, 0, 16, 16}, std::array{20, 4, 8, 8}, std::array{-50, -50, 8, 8}}) {
        tests::addPage(image, "", x, y, w, h);
    }
    EXPECT_EQ(image.getSize(), (std::array<std::int64_t, 2>{28, 16}));
    image.pages[1]->x = 2147483647;
    EXPECT_EQ(image.getSize()[0], std::int64_t{2147483647} + 8);
}
