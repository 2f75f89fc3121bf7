#include "orvane/images/psd/PsdLayout.h"

#include <algorithm>

#include "orvane/images/psd/PsdFormat.h"

namespace orvane::images::psd {

namespace {

// The file header; the colour mode data and image resources sections, empty:
// a length field each.
constexpr std::int64_t headerLength = 26;
constexpr std::int64_t lengthFieldLength = 4;
constexpr std::int64_t compressionCodeLength = 2;
// A record's fixed fields: rectangle (16), channel count (2), an id (2) and a
// data length (4) for each channel, blend mode signature and key (8),
// opacity, clipping, flags and filler (4), extra data length (4).
constexpr std::int64_t fixedRecordLength = 16 + 2 + 6 * PsdFormat::CHANNEL_COUNT + 8 + 4 + 4;
// Extra data: the mask data length (4, no mask); blending ranges: their
// length (4), the gray source and destination ranges (8), then 8 a channel.
constexpr std::int64_t maskLength = 4;
constexpr std::int64_t blendingRangesBase = 4 + 8;
constexpr std::int64_t blendingRangesPerChannel = 8;
// Section divider block: signature, key and length field, then the data:
// the type, and for a group start its blend mode signature and key.
constexpr std::int64_t dividerHeaderLength = 12;

} // namespace

std::int64_t PsdLayout::nameLength(const std::string& name) {
    return std::min<std::int64_t>(static_cast<std::int64_t>(name.size()), PsdFormat::MAX_NAME_LENGTH);
}

PsdLayout::Record PsdLayout::recordOf(const PsdLayer& layer) {
    return {nameLength(layer.name), layer.numChannels, layer.type, static_cast<std::int64_t>(layer.pixelCount())};
}

std::int64_t PsdLayout::extraDataLength(const Record& record) {
    const std::int64_t blendingRanges =
        blendingRangesBase + blendingRangesPerChannel * std::int64_t{std::max(record.numChannels, 0)};
    // A length byte and the name, padded to a multiple of 4.
    const std::int64_t name = (record.nameLength + 1 + 3) / 4 * 4;
    const std::int64_t divider =
        record.type == PsdFormat::PIXEL_LAYER ? 0 : dividerHeaderLength + dividerDataLength(record.type);
    return maskLength + blendingRanges + name + divider;
}

std::int32_t PsdLayout::dividerDataLength(std::int32_t type) {
    if (type == PsdFormat::PIXEL_LAYER) return 0;
    return type == PsdFormat::GROUP_START ? 12 : 4;
}

std::int64_t PsdLayout::recordLength(const Record& record) { return fixedRecordLength + extraDataLength(record); }

std::int64_t PsdLayout::channelDataLength(std::int64_t pixelCount) {
    return PsdFormat::CHANNEL_COUNT * (compressionCodeLength + pixelCount);
}

PsdLayout::PsdLayout(const PsdImage& document) {
    for (const auto& layer : document.layers) addRecord(recordOf(*layer));
    setCompositePixelCount(static_cast<std::int64_t>(document.compositePixelCount()));
}

void PsdLayout::addRecord(const Record& record) {
    ++recordCount_;
    recordsLength_ += recordLength(record) + channelDataLength(record.pixelCount);
}

std::int64_t PsdLayout::layerAndMaskInformationLength() const {
    // The layer info's own length field, and the global layer mask info's (empty).
    return recordCount_ == 0 ? 0 : lengthFieldLength + layerInfoLength() + lengthFieldLength;
}

std::int64_t PsdLayout::fileLength() const {
    return headerLength + 3 * lengthFieldLength + layerAndMaskInformationLength() + compressionCodeLength +
           PsdFormat::CHANNEL_COUNT * compositePixelCount_;
}

} // namespace orvane::images::psd
