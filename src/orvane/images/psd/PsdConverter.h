#pragma once

#include <memory>
#include <string>

#include "orvane/images/edg/EdgImage.h"
#include "orvane/images/psd/PsdImage.h"

namespace orvane::images::psd {

// Maps an Edge document onto a PSD document: flat for one page with one
// layer, a layer list for one page otherwise, one layer group per page for
// several pages.
class PsdConverter {
public:
    static std::unique_ptr<PsdImage> convertFromEdg(const edg::EdgImage& image);
    static void convertFromEdgSingle(const edg::EdgImage& image, PsdImage& document);
    static void convertFromEdgLayers(const edg::EdgImage& image, PsdImage& document);
    static void convertFromEdgPages(const edg::EdgImage& image, PsdImage& document);
    static void addEdgPageLayers(const edg::EdgPage& page, PsdImage& document);
    static std::unique_ptr<PsdLayer> createGroupStartLayer(PsdImage& document, const std::string& name);
    static std::unique_ptr<PsdLayer> createGroupEndLayer(PsdImage& document);

    // Refuses documents no PSD version 1 file can hold, before any pixel is
    // expanded: no pages (InvalidFormat), an empty or too large canvas or page,
    // or layer info beyond a 32-bit length (UnsupportedFormat).
    static void checkConvertible(const edg::EdgImage& image);
    // The part of that check on the canvas and the pages' sizes, which every
    // output of the document shares.
    static void checkCanvas(const edg::EdgImage& image);
};

} // namespace orvane::images::psd
