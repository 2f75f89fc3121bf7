#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orvane/images/edg/EdgImage.h"

// Builds decoded Edge documents directly in the model, for tests of the model
// and the converter that need no file.
namespace tests {

inline orvane::images::edg::EdgPage& addPage(orvane::images::edg::EdgImage& image, const std::string& name, int x,
                                             int y, int width, int height) {
    image.pages.push_back(std::make_unique<orvane::images::edg::EdgPage>(image));
    orvane::images::edg::EdgPage& page = *image.pages.back();
    page.name = name;
    page.x = x;
    page.y = y;
    page.width = width;
    page.height = height;
    return page;
}

inline orvane::images::edg::EdgLayer& addLayer(orvane::images::edg::EdgPage& page, const std::string& name,
                                               std::vector<std::uint8_t> indices, bool visible = true) {
    page.layers.push_back(std::make_unique<orvane::images::edg::EdgLayer>(page));
    orvane::images::edg::EdgLayer& layer = *page.layers.back();
    layer.name = name;
    layer.imageData = std::move(indices);
    layer.visible = visible;
    return layer;
}

} // namespace tests
