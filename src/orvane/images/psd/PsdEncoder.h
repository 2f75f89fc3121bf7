#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "io/Bytes.h"
#include "io/Output.h"
#include "orvane/images/color/Rgba.h"
#include "orvane/images/psd/PsdImage.h"

namespace orvane::images::psd {

// Writes a PsdImage as a PSD file, version 1, RGB with transparency, raw 8-bit
// planes, big-endian. Every section length follows from the model, so lengths
// are computed up front and each byte is written once, straight to the output.
class PsdEncoder {
public:
    // Names are stored with a one-byte length.
    static constexpr std::int32_t MAX_NAME_LENGTH = 255;

    static io::Bytes encode(const PsdImage& document);
    // Streams the whole file to the output; raises Overflow before writing
    // anything when the document cannot be encoded.
    static void encodeTo(const PsdImage& document, io::Output& output);

    static void writeHeader(const PsdImage& document, io::Output& output);
    static void writeColorModeData(const PsdImage& document, io::Output& output);
    static void writeImageResources(const PsdImage& document, io::Output& output);
    static void writeLayerAndMaskInformation(const PsdImage& document, io::Output& output);
    static io::Bytes generateLayerAndMaskInformation(const PsdImage& document);
    static void writeLayerInfo(const PsdImage& document, io::Output& output);
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
    static void writeRawRgba(const std::vector<color::Rgba>& pixels, io::Output& output);
    static void writeRawRgbaChannels(const std::vector<color::Rgba>& pixels, io::Output& output);
    // The same four channels, expanded from palette indices.
    static void writeIndexedChannels(const IndexedPixels& pixels, io::Output& output);

    // Sizes, in bytes, of what the operations above write.
    static std::int64_t fileLength(const PsdImage& document);
    static std::int64_t layerAndMaskInformationLength(const PsdImage& document);
    static std::int64_t layerInfoLength(const PsdImage& document);
    static std::int64_t layerRecordLength(std::int64_t nameLength, std::int32_t numChannels, std::int32_t type);
    static std::int64_t layerExtraDataLength(std::int64_t nameLength, std::int32_t numChannels, std::int32_t type);
    // The bytes of a name that fit the record: at most MAX_NAME_LENGTH.
    static std::int64_t recordNameLength(const std::string& name) {
        return std::min<std::int64_t>(static_cast<std::int64_t>(name.size()), MAX_NAME_LENGTH);
    }
    static std::int64_t channelDataLength(std::int64_t pixelCount) { return 8 + 4 * pixelCount; }
};

} // namespace orvane::images::psd
