#include "orvane/images/psd/PsdConverter.h"

#include <algorithm>
#include <cstring>

#include "orvane/images/edg/Error.h"
#include "orvane/images/edg/PageCompositor.h"
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

// Page 0's composite placed at the page's position on a transparent canvas
// and cropped to it: composite pixel j sits at column j mod width, row
// j div width of the page.
std::vector<color::Rgba> placeComposite(const EdgPage& page, std::int32_t width, std::int32_t height) {
    std::vector<color::Rgba> canvas(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    if (page.width <= 0) return canvas;
    const edg::PageCompositor compositor(page);
    const std::int64_t from = std::max<std::int64_t>(0, -std::int64_t{page.x});
    const std::int64_t to = std::min<std::int64_t>(page.width, width - std::int64_t{page.x});
    if (from >= to) return canvas;
    const std::int64_t firstRow = std::max<std::int64_t>(0, -std::int64_t{page.y});
    const std::int64_t endRow = std::min<std::int64_t>(page.height, height - std::int64_t{page.y});
    if (from == 0 && to == page.width && page.width == width && firstRow < endRow) {
        // Whole rows of a page as wide as the canvas: one contiguous run.
        const std::size_t start = static_cast<std::size_t>(firstRow * page.width);
        const std::size_t count = static_cast<std::size_t>((endRow - firstRow) * page.width);
        compositor.compose(start, count, &canvas[static_cast<std::size_t>((page.y + firstRow) * width)]);
        return canvas;
    }
    for (std::int64_t row = firstRow; row < page.height; ++row) {
        const std::int64_t y = std::int64_t{page.y} + row;
        if (y >= height) break;
        const std::int64_t rowStart = row * page.width;
        if (static_cast<std::size_t>(rowStart + from) >= compositor.length()) break;
        compositor.compose(static_cast<std::size_t>(rowStart + from), static_cast<std::size_t>(to - from),
                           &canvas[static_cast<std::size_t>(y * width + page.x + from)]);
    }
    return canvas;
}

} // namespace

void PsdConverter::checkConvertible(const EdgImage& image) {
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
    document.imageData = placeComposite(*image.pages[0], document.width, document.height);
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
