#include <gtest/gtest.h>

#include "io/BytesOutput.h"
#include "io/IoError.h"
#include "orvane/images/psd/PsdConverter.h"
#include "orvane/images/psd/PsdEncoder.h"
#include "support/TestHelpers.h"

using namespace orvane::images::psd;
using orvane::images::color::Rgba;

namespace {

using tests::bytes;

std::string repeat(const std::string& s, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += s;
    return out;
}

std::string encoded(const PsdImage& document) { return PsdEncoder::encode(document).toString(); }

std::string record(const PsdImage& document, const PsdLayer& layer) {
    io::BytesOutput out;
    out.set_bigEndian(true);
    PsdEncoder::writeLayerRecord(document, layer, out);
    return out.getBytes().toString();
}

PsdImage rgbDocument(int width, int height) {
    PsdImage document;
    document.width = width;
    document.height = height;
    document.numChannels = 4;
    document.bitDepth = 8;
    document.colorMode = 3;
    return document;
}

PsdLayer& addPixelLayer(PsdImage& document, const std::string& name, std::vector<Rgba> pixels) {
    auto layer = std::make_unique<PsdLayer>(document);
    layer->name = name;
    layer->numChannels = 4;
    layer->blendMode = "norm";
    layer->opacity = 255;
    layer->flags = 8;
    layer->width = 1;
    layer->height = static_cast<std::int32_t>(pixels.size());
    layer->imageData = std::move(pixels);
    document.layers.push_back(std::move(layer));
    return *document.layers.back();
}

const std::string header1x1 =
    bytes({0x38, 0x42, 0x50, 0x53, 0, 1, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 1, 0, 8, 0, 3});
const std::string blendingRanges = bytes({0, 0, 0, 0x28}) + repeat(bytes({0, 0, 0xFF, 0xFF}), 10);

} // namespace

TEST(PsdEncoder, FlatFileOf44Bytes) {
    PsdImage document = rgbDocument(1, 1);
    document.imageData = {Rgba{static_cast<std::int32_t>(0x80FF0000)}};
    const std::string expected = header1x1 + std::string(12, '\0') + bytes({0, 0, 0xFF, 0, 0, 0x80});
    EXPECT_EQ(encoded(document), expected);
    EXPECT_EQ(PsdEncoder::fileLength(document), 44);
}

TEST(PsdEncoder, GroupEndAndStartRecords) {
    PsdImage document = rgbDocument(1, 1);
    const auto end = PsdConverter::createGroupEndLayer(document);
    const std::string fixed = std::string(16, '\0') + bytes({0, 4}) + bytes({0, 0, 0, 0, 0, 2}) +
                              bytes({0, 1, 0, 0, 0, 2}) + bytes({0, 2, 0, 0, 0, 2}) + bytes({0xFF, 0xFF, 0, 0, 0, 2}) +
                              "8BIMnorm" + bytes({0xFF, 0, 0x18, 0});
    const std::string name = bytes({0x0E}) + "</Layer group>" + bytes({0});
    const std::string endRecord = fixed + bytes({0, 0, 0, 0x50}) + bytes({0, 0, 0, 0}) + blendingRanges + name +
                                  "8BIMlsct" + bytes({0, 0, 0, 4, 0, 0, 0, 3});
    EXPECT_EQ(endRecord.size(), 138u);
    EXPECT_EQ(record(document, *end), endRecord);

    end->type = 1;
    const std::string startRecord = fixed + bytes({0, 0, 0, 0x58}) + bytes({0, 0, 0, 0}) + blendingRanges + name +
                                    "8BIMlsct" + bytes({0, 0, 0, 0x0C, 0, 0, 0, 1}) + "8BIMpass";
    EXPECT_EQ(startRecord.size(), 146u);
    EXPECT_EQ(record(document, *end), startRecord);

    io::BytesOutput channels;
    channels.set_bigEndian(true);
    PsdEncoder::writeLayerImageData(document, *end, channels);
    EXPECT_EQ(channels.getBytes().toString(), std::string(8, '\0'));
}

TEST(PsdEncoder, OneLayerFileOf176Bytes) {
    PsdImage document = rgbDocument(1, 1);
    const Rgba pixel{static_cast<std::int32_t>(0xA1B2C3D4)};
    document.imageData = {pixel};
    addPixelLayer(document, "L", {pixel});
    const std::string recordBytes =
        std::string(8, '\0') + bytes({0, 0, 0, 1, 0, 0, 0, 1, 0, 4}) +
        bytes({0, 0, 0, 0, 0, 3, 0, 1, 0, 0, 0, 3, 0, 2, 0, 0, 0, 3, 0xFF, 0xFF, 0, 0, 0, 3}) + "8BIMnorm" +
        bytes({0xFF, 0, 8, 0}) + bytes({0, 0, 0, 0x34}) + bytes({0, 0, 0, 0}) + blendingRanges + bytes({1, 'L', 0, 0});
    ASSERT_EQ(recordBytes.size(), 110u);
    const std::string channelData = bytes({0, 0, 0xB2, 0, 0, 0xC3, 0, 0, 0xD4, 0, 0, 0xA1});
    const std::string expected = header1x1 + std::string(8, '\0') + bytes({0, 0, 0, 0x84, 0, 0, 0, 0x7C, 0, 1}) +
                                 recordBytes + channelData + std::string(4, '\0') +
                                 bytes({0, 0, 0xB2, 0xC3, 0xD4, 0xA1});
    EXPECT_EQ(expected.size(), 176u);
    EXPECT_EQ(encoded(document), expected);
}

TEST(PsdEncoder, NamesArePaddedToAMultipleOfFourAndCutAt255) {
    PsdImage document = rgbDocument(1, 1);
    PsdLayer layer(document);
    layer.numChannels = 4;
    layer.blendMode = "norm";
    const int padding[] = {3, 2, 1, 0, 3, 2, 1, 0};
    for (int k = 0; k <= 7; ++k) {
        layer.name = std::string(static_cast<std::size_t>(k), 'n');
        const std::string written = record(document, layer).substr(58 + 4 + 44);
        EXPECT_EQ(written, bytes({k}) + layer.name + std::string(static_cast<std::size_t>(padding[k]), '\0')) << k;
    }
    layer.name = std::string(300, 'x');
    const std::string written = record(document, layer);
    EXPECT_EQ(static_cast<unsigned char>(written[58 + 48]), 255u);
    EXPECT_EQ(written.size(), 58u + 48 + 256);
    EXPECT_EQ(written.substr(54, 4), bytes({0, 0, 0x01, 0x30})); // 4 + 44 + 256
}

TEST(PsdEncoder, RecordsAndChannelDataBottomMostFirst) {
    PsdImage document = rgbDocument(1, 2);
    document.imageData = {Rgba{1}, Rgba{2}};
    document.layers.push_back(PsdConverter::createGroupStartLayer(document, "G"));
    addPixelLayer(document, "top", {Rgba{0x0A}, Rgba{0x0B}});
    addPixelLayer(document, "low", {Rgba{0x0C}, Rgba{0x0D}});
    document.layers.push_back(PsdConverter::createGroupEndLayer(document));
    const std::string file = encoded(document);
    EXPECT_EQ(static_cast<std::int64_t>(file.size()), PsdEncoder::fileLength(document));

    const std::size_t endAt = file.find("</Layer group>");
    const std::size_t lowAt = file.find("low");
    const std::size_t topAt = file.find("top");
    const std::size_t startAt = file.find(bytes({1, 'G'}));
    EXPECT_LT(endAt, lowAt);
    EXPECT_LT(lowAt, topAt);
    EXPECT_LT(topAt, startAt);
    // Channel data: end (8 bytes), low, top, start; the blue plane holds the pixels.
    // From the end: composite 2 + 4 x 2, global mask 4, channel data 8 + 16 + 16 + 8.
    const std::size_t channels = file.size() - 10 - 4 - 48;
    EXPECT_EQ(file.substr(channels, 8), std::string(8, '\0'));
    EXPECT_EQ(file.substr(channels + 8 + 8, 4), bytes({0, 0, 0x0C, 0x0D}));
    EXPECT_EQ(file.substr(channels + 24 + 8, 4), bytes({0, 0, 0x0A, 0x0B}));
    EXPECT_EQ(file.substr(channels + 40, 8), std::string(8, '\0'));
}

TEST(PsdEncoder, EmptyDocumentsAndLayerInfoOnItsOwn) {
    PsdImage document;
    EXPECT_EQ(encoded(document),
              bytes({0x38, 0x42, 0x50, 0x53, 0, 1}) + std::string(26 - 6 + 12, '\0') + bytes({0, 0}));
    io::BytesOutput out;
    out.set_bigEndian(true);
    PsdEncoder::writeLayerInfo(document, out);
    EXPECT_EQ(out.getBytes().toString(), bytes({0, 0, 0, 2, 0, 0}));
    EXPECT_EQ(PsdEncoder::generateLayerAndMaskInformation(document).length(), 0);
}

TEST(PsdEncoder, TwoByteFieldsOutOfRangeRaiseOverflowBeforeWriting) {
    PsdImage document = rgbDocument(1, 1);
    document.colorMode = 32768;
    EXPECT_THROW(PsdEncoder::encode(document), io::IoError);
    io::BytesOutput out;
    document.colorMode = 3;
    for (int i = 0; i < 32768; ++i) document.layers.push_back(std::make_unique<PsdLayer>(document));
    EXPECT_THROW(PsdEncoder::encodeTo(document, out), io::IoError);
    EXPECT_EQ(out.length(), 0);
}
