#include <gtest/gtest.h>

#include "orvane/images/edg/Error.h"
#include "orvane/images/psd/PsdConverter.h"
#include "orvane/images/psd/PsdEncoder.h"
#include "support/ModelBuilder.h"
#include "support/TestHelpers.h"

using namespace orvane::images;
using color::Rgb;
using color::Rgba;
using edg::EdgImage;
using edg::EdgPage;
using psd::PsdConverter;
using psd::PsdEncoder;

namespace {

constexpr std::int32_t opaque(std::uint32_t rgb) { return static_cast<std::int32_t>(0xFF000000u | rgb); }

struct Document {
    Document() { image.paletteBank.push_back({Rgb{0x10}, Rgb{0x11}, Rgb{0x12}}); }
    EdgPage& addPage(const std::string& name, int x, int y, int width, int height) {
        return tests::addPage(image, name, x, y, width, height);
    }
    static edg::EdgLayer& addLayer(EdgPage& page, const std::string& name, std::vector<std::uint8_t> indices,
                                   bool visible = true) {
        return tests::addLayer(page, name, std::move(indices), visible);
    }
    EdgImage image;
};

std::vector<std::int32_t> values(const std::vector<Rgba>& pixels) {
    std::vector<std::int32_t> out;
    for (const Rgba p : pixels) out.push_back(p.value);
    return out;
}

std::string refusal(const EdgImage& image) {
    return tests::failureText([&] { PsdConverter::convertFromEdg(image); });
}

} // namespace

TEST(PsdConverter, OnePageWithOneLayerIsFlat) {
    Document d;
    d.image.bitDepth = 5; // the header always says 8
    EdgPage& page = d.addPage("p", 0, 0, 2, 1);
    Document::addLayer(page, "only", {1, 2});
    const auto psd = PsdConverter::convertFromEdg(d.image);
    EXPECT_EQ(psd->width, 2);
    EXPECT_EQ(psd->height, 1);
    EXPECT_EQ(psd->numChannels, 4);
    EXPECT_EQ(psd->colorMode, 3);
    EXPECT_EQ(psd->bitDepth, 8);
    EXPECT_TRUE(psd->layers.empty());
    EXPECT_TRUE(psd->palette.empty());
    EXPECT_EQ(values(psd->getRgbaImageData()), (std::vector<std::int32_t>{opaque(0x11), opaque(0x12)}));

    page.layers[0]->visible = false; // nothing visible: a transparent canvas
    EXPECT_EQ(values(PsdConverter::convertFromEdg(d.image)->getRgbaImageData()), (std::vector<std::int32_t>{0, 0}));
}

TEST(PsdConverter, OnePageWithSeveralLayersGivesALayerList) {
    Document d;
    EdgPage& page = d.addPage("p", 0, 0, 2, 2);
    Document::addLayer(page, "top", {1, 1, 1, 1, 1, 1});           // longer than the page: cut
    auto& hidden = Document::addLayer(page, "hidden", {2}, false); // shorter: padded
    hidden.isLocked = true;
    const auto psd = PsdConverter::convertFromEdg(d.image);
    ASSERT_EQ(psd->layers.size(), 2u);
    const psd::PsdLayer& top = *psd->layers[0];
    EXPECT_EQ(top.name, "top");
    EXPECT_EQ(top.getRgbaImageData().size(), 4u);
    EXPECT_EQ(top.flags, 8);
    EXPECT_EQ(top.type, 0);
    EXPECT_EQ(top.blendMode, "norm");
    EXPECT_EQ(top.opacity, 255);
    EXPECT_EQ(top.numChannels, 4);
    const psd::PsdLayer& second = *psd->layers[1];
    EXPECT_FALSE(second.visible);
    EXPECT_TRUE(second.isLocked);
    EXPECT_EQ(second.flags, 8);
    EXPECT_EQ(values(second.getRgbaImageData()), (std::vector<std::int32_t>{opaque(0x12), 0, 0, 0}));
    EXPECT_EQ(second.parent, psd.get());

    EdgImage empty;
    empty.pages.push_back(std::make_unique<EdgPage>(empty));
    empty.pages[0]->width = 3;
    empty.pages[0]->height = 2;
    const auto noLayers = PsdConverter::convertFromEdg(empty);
    EXPECT_TRUE(noLayers->layers.empty());
    EXPECT_EQ(noLayers->getRgbaImageData().size(), 6u);
}

TEST(PsdConverter, SeveralPagesGiveOneGroupEach) {
    Document d;
    EdgPage& a = d.addPage("A", 0, 0, 1, 1);
    Document::addLayer(a, "a0", {1});
    Document::addLayer(a, "a1", {2});
    EdgPage& b = d.addPage("B", 20, 4, 2, 1);
    Document::addLayer(b, "b0", {0, 1});
    const auto psd = PsdConverter::convertFromEdg(d.image);
    std::vector<std::string> names;
    for (const auto& layer : psd->layers) names.push_back(layer->name + "/" + std::to_string(layer->type));
    EXPECT_EQ(names,
              (std::vector<std::string>{"A/1", "a0/0", "a1/0", "</Layer group>/3", "B/1", "b0/0", "</Layer group>/3"}));
    EXPECT_EQ(psd->layers[0]->flags, 24);
    EXPECT_EQ(psd->layers[3]->flags, 24);
    EXPECT_EQ(psd->layers[0]->width, 0);
    EXPECT_TRUE(psd->layers[3]->imageData.empty());
    EXPECT_EQ(psd->layers[5]->x, 20);
    EXPECT_EQ(psd->layers[5]->y, 4);
    EXPECT_EQ(psd->width, 22);
    EXPECT_EQ(psd->height, 5);
    // The composite is page 0's only, placed on the whole canvas.
    const std::vector<Rgba> composite = psd->getRgbaImageData();
    ASSERT_EQ(composite.size(), 110u);
    EXPECT_EQ(composite[0].value, opaque(0x11));
    EXPECT_EQ(composite[1].value, 0);
}

TEST(PsdConverter, CompositeIsPlacedAndCroppedOnTheCanvas) {
    Document d;
    EdgPage& first = d.addPage("first", -1, 1, 3, 2);
    Document::addLayer(first, "l", {0, 1, 2, 2, 1}); // one pixel short of the page
    EdgPage& second = d.addPage("second", 0, 0, 3, 3);
    Document::addLayer(second, "m", {});
    const auto psd = PsdConverter::convertFromEdg(d.image);
    ASSERT_EQ(psd->width, 3);
    ASSERT_EQ(psd->height, 3);
    EXPECT_EQ(values(psd->getRgbaImageData()), (std::vector<std::int32_t>{0, 0, 0,                       //
                                                                          opaque(0x11), opaque(0x12), 0, //
                                                                          opaque(0x11), 0, 0}));
}

TEST(PsdConverter, TheWrittenCompositeIsTheCompositeInPlanes) {
    // More pixels than one piece of output, and a page cropped on the left
    // and at the bottom, so covered runs start and end inside pieces.
    Document d;
    EdgPage& first = d.addPage("first", -2, 3, 300, 250);
    std::vector<std::uint8_t> bottom(300 * 250), top(300 * 100);
    for (std::size_t i = 0; i < bottom.size(); ++i) bottom[i] = static_cast<std::uint8_t>(i % 7 % 3);
    for (std::size_t i = 0; i < top.size(); ++i) top[i] = static_cast<std::uint8_t>(i % 5 == 0 ? 2 : 7);
    Document::addLayer(first, "top", top);
    Document::addLayer(first, "bottom", bottom);
    d.addPage("second", 0, 0, 290, 280);
    const auto psd = PsdConverter::convertFromEdg(d.image);
    const std::vector<Rgba> composite = psd->getRgbaImageData();
    ASSERT_EQ(composite.size(), 298u * 280u); // the first page reaches column 298

    std::string planes;
    for (const int shift : {16, 8, 0, 24}) {
        for (const Rgba pixel : composite)
            planes += static_cast<char>(static_cast<std::uint32_t>(pixel.value) >> shift);
    }
    const std::string file = PsdEncoder::encode(*psd).toString();
    EXPECT_EQ(file.substr(file.size() - planes.size()), planes);
    EXPECT_EQ(composite[0].value, 0);                  // above the page
    EXPECT_EQ(composite[3 * 298].value, opaque(0x12)); // its first row, cropped by two columns
    // Any window of the composite, made on its own, is that part of the whole.
    for (const auto& [from, count] : {std::pair{0ul, 1ul}, {297ul, 2ul}, {1000ul, 70000ul}, {74500ul, 8940ul}}) {
        std::vector<Rgba> window(count);
        psd->composite->pixels(from, count, window.data());
        EXPECT_TRUE(std::equal(window.begin(), window.end(), composite.begin() + static_cast<std::ptrdiff_t>(from)));
    }
}

TEST(PsdConverter, DocumentsNoPsdCanHoldAreRefused) {
    EdgImage none;
    EXPECT_EQ(refusal(none), "InvalidFormat");

    Document zeroWidth;
    zeroWidth.addPage("p", 0, 0, 0, 5);
    EXPECT_EQ(refusal(zeroWidth.image), "UnsupportedFormat");

    Document offCanvas; // the page lies wholly left of the origin
    offCanvas.addPage("p", -10, 0, 5, 5);
    EXPECT_EQ(refusal(offCanvas.image), "UnsupportedFormat");

    Document wide;
    wide.addPage("p", 0, 0, 30001, 1);
    EXPECT_EQ(refusal(wide.image), "UnsupportedFormat");

    Document far; // canvas beyond 30000 through the position
    far.addPage("a", 0, 0, 1, 1);
    far.addPage("b", 2147483647, 0, 10, 1);
    EXPECT_EQ(refusal(far.image), "UnsupportedFormat");

    // Layer info beyond 2 GB, refused from the sizes alone, before any pixel is expanded.
    Document huge;
    EdgPage& page = huge.addPage("p", 0, 0, 30000, 30000);
    for (int i = 0; i < 3; ++i) Document::addLayer(page, "l", {});
    EXPECT_EQ(refusal(huge.image), "UnsupportedFormat");
}
