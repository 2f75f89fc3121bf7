#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "concurrency/Route.h"
#include "io/Bytes.h"
#include "io/Output.h"
#include "orvane/images/color/Rgba.h"
#include "orvane/images/psd/PsdImage.h"
#include "orvane/images/psd/PsdLayout.h"

namespace orvane::images::psd {

// Writes a PsdImage as a PSD file, version 1, RGB with transparency, raw 8-bit
// planes, big-endian. Every section length follows from the model (PsdLayout),
// so lengths are computed up front and each byte is written once, straight to
// the output.
class PsdEncoder {
public:
    static io::Bytes encode(const PsdImage& document);
    // The document's layout, once it is known to fit the format: raises
    // Overflow when a 2-byte field (channel counts, depth, colour mode, layer
    // count) is out of range or a section length exceeds 32 bits.
    static PsdLayout layout(const PsdImage& document);
    // Streams the whole file to the output; raises Overflow before writing
    // anything when the document cannot be encoded.
    static void encodeTo(const PsdImage& document, io::Output& output);
    // The same with the layout already taken from layout(). On the helped
    // route a large composite's tables are resolved on a helper while the
    // layers, which come first in the file, are written; otherwise when the
    // composite is due.
    static void encodeTo(const PsdImage& document, const PsdLayout& layout, io::Output& output,
                         concurrency::Route route);

    static void writeHeader(const PsdImage& document, io::Output& output);
    static void writeColorModeData(const PsdImage& document, io::Output& output);
    static void writeImageResources(const PsdImage& document, io::Output& output);
    static void writeLayerAndMaskInformation(const PsdImage& document, io::Output& output);
    static void writeLayerAndMaskInformation(const PsdImage& document, const PsdLayout& layout, io::Output& output);
    static io::Bytes generateLayerAndMaskInformation(const PsdImage& document);
    static void writeLayerInfo(const PsdImage& document, io::Output& output);
    static void writeLayerInfo(const PsdImage& document, const PsdLayout& layout, io::Output& output);
    static void writeLayerRecord(const PsdImage& document, const PsdLayer& layer, io::Output& output);
    static void writeLayerRecordMask(const PsdImage& document, const PsdLayer& layer, io::Output& output);
    static void writeLayerRecordBlendingRanges(const PsdImage& document, const PsdLayer& layer, io::Output& output);
    static void writeLayerRecordName(const PsdImage& document, const PsdLayer& layer, io::Output& output);
    static void writeLayerRecordAdditionalLayerInformation(const PsdImage& document, const PsdLayer& layer,
                                                           io::Output& output);
    static void writeAdditionalLayerInformationLsct(const PsdImage& document, const PsdLayer& layer,
                                                    io::Output& output);
    static void writeLayerImageData(const PsdImage& document, const PsdLayer& layer, io::Output& output);
    static void writeGlobalLayerMaskInfo(const PsdImage& document, io::Output& output);
    static void writeAdditionalLayerInfomation(const PsdImage& document, io::Output& output);
    static void writeImageData(const PsdImage& document, io::Output& output);
    // A composite made as it is written, plane by plane, from its tables.
    static void writeComposite(const PixelSource& source, const CompositeTables& tables, io::Output& output);
    static void writeRawRgba(const std::vector<color::Rgba>& pixels, io::Output& output);
    static void writeRawRgbaChannels(const std::vector<color::Rgba>& pixels, io::Output& output);
    // The same four channels, expanded from palette indices.
    static void writeIndexedChannels(const IndexedPixels& pixels, io::Output& output);

    // The size of the file encode() writes, in bytes (checks nothing).
    static std::int64_t fileLength(const PsdImage& document) { return PsdLayout(document).fileLength(); }
};

} // namespace orvane::images::psd
