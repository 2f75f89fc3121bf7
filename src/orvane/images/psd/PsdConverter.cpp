#include "orvane/images/psd/PsdConverter.h"

#include <algorithm>
#include <cstring>

#include "orvane/images/edg/Error.h"
#include "orvane/images/psd/PlacedComposite.h"
#include "orvane/images/psd/PsdFormat.h"
#include "orvane/images/psd/PsdLayout.h"

namespace orvane::images::psd {

namespace {

using edg::EdgImage;
using edg::EdgPage;
using edg::Error;
using edg::FormatError;

constexpr std::int32_t pixelLayerFlags = 8;  // bit 3
constexpr std::int32_t groupLayerFlags = 24; // bits 3 and 4: pixel data irrelevant to the appearance
const char* const groupEndName = "</Layer group>";

enum class Shape { Flat, Layers, Groups };

Shape shapeOf(const EdgImage& image) {
    if (image.get_numPages() != 1) return Shape::Groups;
    return image.pages[0]->get_numLayers() != 1 ? Shape::Layers : Shape::Flat;
}

// The record a layer of the conversion becomes, as the layout counts it.
PsdLayout::Record recordFor(const std::string& name, std::int32_t type, std::int64_t pixelCount) {
    return {PsdLayout::nameLength(name), PsdFormat::CHANNEL_COUNT, type, pixelCount};
}

std::unique_ptr<PsdLayer> createDividerLayer(PsdImage& document, const std::string& name, std::int32_t type) {
    auto layer = std::make_unique<PsdLayer>(document);
    layer->type = type;
    layer->name = name;
    layer->numChannels = PsdFormat::CHANNEL_COUNT;
    layer->blendMode = "norm";
    layer->opacity = 255;
    layer->clipping = 0;
    layer->flags = groupLayerFlags;
    return layer;
}

} // namespace

void PsdConverter::checkConvertible(const EdgImage& image) {
    checkCanvas(image);
    const Shape shape = shapeOf(image);
    if (shape == Shape::Flat) return;
    // The records convertFromEdgLayers and convertFromEdgPages make, counted
    // without making them.
    PsdLayout layout;
    for (const auto& page : image.pages) {
        if (shape == Shape::Groups) layout.addRecord(recordFor(page->name, PsdFormat::GROUP_START, 0));
        const std::int64_t pixelCount = std::int64_t{page->width} * page->height;
        for (const auto& layer : page->layers) {
            layout.addRecord(recordFor(layer->name, PsdFormat::PIXEL_LAYER, pixelCount));
        }
        if (shape == Shape::Groups) layout.addRecord(recordFor(groupEndName, PsdFormat::GROUP_END, 0));
    }
    if (layout.layerInfoLength() > PsdFormat::MAX_SECTION_LENGTH) throw FormatError(Error::UnsupportedFormat);
}

void PsdConverter::checkCanvas(const EdgImage& image) {
    if (image.pages.empty()) throw FormatError(Error::InvalidFormat);
    const auto [width, height] = image.getSize();
    if (width <= 0 || height <= 0 || width > PsdFormat::MAX_SIDE || height > PsdFormat::MAX_SIDE) {
        throw FormatError(Error::UnsupportedFormat);
    }
    for (const auto& page : image.pages) {
        if (page->width > PsdFormat::MAX_SIDE || page->height > PsdFormat::MAX_SIDE) {
            throw FormatError(Error::UnsupportedFormat);
        }
    }
}

std::unique_ptr<PsdImage> PsdConverter::convertFromEdg(const EdgImage& image) {
    checkConvertible(image);
    auto document = std::make_unique<PsdImage>();
    switch (shapeOf(image)) {
    case Shape::Groups:
        convertFromEdgPages(image, *document);
        break;
    case Shape::Layers:
        convertFromEdgLayers(image, *document);
        break;
    case Shape::Flat:
        convertFromEdgSingle(image, *document);
        break;
    }
    return document;
}

void PsdConverter::convertFromEdgSingle(const EdgImage& image, PsdImage& document) {
    const auto [width, height] = image.getSize();
    document.width = static_cast<std::int32_t>(width);
    document.height = static_cast<std::int32_t>(height);
    document.numChannels = PsdFormat::CHANNEL_COUNT;
    document.colorMode = 3;
    // Every plane written has 8-bit samples, whatever depth the Edge file claims.
    document.bitDepth = 8;
    document.composite = std::make_unique<PlacedComposite>(*image.pages[0], document.width, document.height);
}

void PsdConverter::convertFromEdgLayers(const EdgImage& image, PsdImage& document) {
    convertFromEdgSingle(image, document);
    addEdgPageLayers(*image.pages[0], document);
}

void PsdConverter::convertFromEdgPages(const EdgImage& image, PsdImage& document) {
    convertFromEdgSingle(image, document);
    for (const auto& page : image.pages) {
        document.layers.push_back(createGroupStartLayer(document, page->name));
        addEdgPageLayers(*page, document);
        document.layers.push_back(createGroupEndLayer(document));
    }
}

void PsdConverter::addEdgPageLayers(const EdgPage& page, PsdImage& document) {
    const std::size_t pixelCount = static_cast<std::size_t>(page.width) * static_cast<std::size_t>(page.height);
    const std::array<color::Rgba, 256> palette = page.getRgbaLookup();
    for (const auto& edgLayer : page.layers) {
        auto layer = std::make_unique<PsdLayer>(document);
        layer->type = PsdFormat::PIXEL_LAYER;
        layer->name = edgLayer->name;
        layer->visible = edgLayer->visible;
        layer->isLocked = edgLayer->isLocked;
        layer->x = page.x;
        layer->y = page.y;
        layer->width = page.width;
        layer->height = page.height;
        layer->numChannels = PsdFormat::CHANNEL_COUNT;
        layer->blendMode = "norm";
        layer->opacity = 255;
        layer->clipping = 0;
        layer->flags = pixelLayerFlags;
        // Exactly the rectangle's pixels, looked up when written: a longer
        // index array is cut, a shorter one padded with transparent pixels.
        layer->indexed = IndexedPixels{edgLayer->imageData.data(), edgLayer->imageData.size(), pixelCount, palette};
        document.layers.push_back(std::move(layer));
    }
}

std::unique_ptr<PsdLayer> PsdConverter::createGroupStartLayer(PsdImage& document, const std::string& name) {
    return createDividerLayer(document, name, PsdFormat::GROUP_START);
}

std::unique_ptr<PsdLayer> PsdConverter::createGroupEndLayer(PsdImage& document) {
    return createDividerLayer(document, groupEndName, PsdFormat::GROUP_END);
}

} // namespace orvane::images::psd
