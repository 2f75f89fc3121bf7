#include "orvane/images/psd/PsdEncoder.h"

#include <algorithm>
#include <limits>

#include "concurrency/Worker.h"
#include "io/BytesOutput.h"
#include "io/IoError.h"
#include "orvane/images/psd/PsdFormat.h"
#include "orvane/simd/PairLookup.h"

namespace orvane::images::psd {

namespace {

constexpr std::int32_t rawCompression = 0;
constexpr std::int32_t fullRange = 0xFFFF; // black 0 to 0, white 255 to 255
// Planes are split through a buffer of this many bytes and written in pieces.
constexpr std::size_t planePiece = 1 << 16;
// A composite of fewer pixels is resolved when it is written: a helper
// would cost more than it saves.
constexpr std::size_t smallestResolvedAhead = std::size_t{1} << 20;

bool fitsInt16(std::int64_t v) {
    return v >= std::numeric_limits<std::int16_t>::min() && v <= std::numeric_limits<std::int16_t>::max();
}

std::int32_t checkedLength(std::int64_t length) {
    if (length > PsdFormat::MAX_SECTION_LENGTH) throw io::IoError::overflow();
    return static_cast<std::int32_t>(length);
}

// Produces n bytes of output through fill(destination): straight into the
// output's own buffer where it has one, else through scratch.
template <typename Fill>
void emit(io::Output& output, std::size_t n, std::uint8_t* scratch, Fill fill) {
    if (std::uint8_t* target = output.obtain(static_cast<std::int32_t>(n))) {
        fill(target);
        return;
    }
    fill(scratch);
    output.writeFull(scratch, static_cast<std::int64_t>(n));
}

// Produces count bytes through fill(from, n, destination), a piece at a time.
template <typename Fill>
void writeInPieces(io::Output& output, std::size_t count, Fill fill) {
    std::uint8_t scratch[planePiece];
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(planePiece, count - done);
        emit(output, n, scratch, [&](std::uint8_t* out) { fill(done, n, out); });
        done += n;
    }
}

// One 8-bit plane of the pixels: (pixel >> shift) & 0xFF, in array order.
void writePlane(const std::vector<color::Rgba>& pixels, int shift, io::Output& output) {
    const color::Rgba* source = pixels.data();
    writeInPieces(output, pixels.size(), [&](std::size_t from, std::size_t n, std::uint8_t* out) {
        for (std::size_t i = 0; i < n; ++i) {
            out[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(source[from + i].value) >> shift);
        }
    });
}

// The channels in the order they are written: red, green, blue, transparency.
constexpr int planeShifts[PsdFormat::CHANNEL_COUNT] = {16, 8, 0, 24};
constexpr std::int32_t channelIds[PsdFormat::CHANNEL_COUNT] = {0, 1, 2, -1};

} // namespace

io::Bytes PsdEncoder::encode(const PsdImage& document) {
    const PsdLayout checked = layout(document);
    io::BytesOutput output;
    encodeTo(document, checked, output, concurrency::Route::OneThread);
    return output.getBytes();
}

PsdLayout PsdEncoder::layout(const PsdImage& document) {
    if (!fitsInt16(document.numChannels) || !fitsInt16(document.bitDepth) || !fitsInt16(document.colorMode) ||
        !fitsInt16(static_cast<std::int64_t>(document.layers.size()))) {
        throw io::IoError::overflow();
    }
    for (const auto& layer : document.layers) {
        if (!fitsInt16(layer->numChannels)) throw io::IoError::overflow();
    }
    PsdLayout result(document);
    checkedLength(result.layerAndMaskInformationLength());
    return result;
}

void PsdEncoder::encodeTo(const PsdImage& document, io::Output& output) {
    // Checked before the first byte goes out.
    encodeTo(document, layout(document), output, concurrency::Route::OneThread);
}

void PsdEncoder::encodeTo(const PsdImage& document, const PsdLayout& layout, io::Output& output,
                          concurrency::Route route) {
    const PixelSource* composite = document.composite.get();
    const bool worthAhead = route == concurrency::Route::Helped && composite != nullptr && !document.layers.empty() &&
                            composite->pixelCount() >= smallestResolvedAhead;
    CompositeTables tables = worthAhead ? composite->allocateTables() : CompositeTables();
    concurrency::Worker resolving; // after the tables: it ends, and waits for them, first
    const bool ahead = worthAhead && resolving.start(route, [&] { composite->resolve(tables); });
    output.expectLength(layout.fileLength());
    output.set_bigEndian(true);
    writeHeader(document, output);
    writeColorModeData(document, output);
    writeImageResources(document, output);
    writeLayerAndMaskInformation(document, layout, output);
    if (ahead) {
        resolving.join();
        writeComposite(*composite, tables, output);
    } else {
        writeImageData(document, output);
    }
}

void PsdEncoder::writeHeader(const PsdImage& document, io::Output& output) {
    output.writeString("8BPS");
    output.writeInt16(1);
    output.writeInt32(0);
    output.writeInt16(0);
    output.writeInt16(document.numChannels);
    output.writeInt32(document.height);
    output.writeInt32(document.width);
    output.writeInt16(document.bitDepth);
    output.writeInt16(document.colorMode);
}

void PsdEncoder::writeColorModeData(const PsdImage&, io::Output& output) { output.writeInt32(0); }

void PsdEncoder::writeImageResources(const PsdImage&, io::Output& output) { output.writeInt32(0); }

void PsdEncoder::writeLayerAndMaskInformation(const PsdImage& document, io::Output& output) {
    writeLayerAndMaskInformation(document, PsdLayout(document), output);
}

void PsdEncoder::writeLayerAndMaskInformation(const PsdImage& document, const PsdLayout& layout, io::Output& output) {
    const std::int32_t length = checkedLength(layout.layerAndMaskInformationLength());
    output.writeInt32(length);
    if (length == 0) return;
    writeLayerInfo(document, layout, output);
    writeGlobalLayerMaskInfo(document, output);
}

io::Bytes PsdEncoder::generateLayerAndMaskInformation(const PsdImage& document) {
    io::BytesOutput section;
    section.set_bigEndian(true);
    if (document.layers.empty()) return section.getBytes();
    const PsdLayout layout(document);
    section.reserve(layout.layerAndMaskInformationLength());
    writeLayerInfo(document, layout, section);
    writeGlobalLayerMaskInfo(document, section);
    return section.getBytes();
}

void PsdEncoder::writeLayerInfo(const PsdImage& document, io::Output& output) {
    writeLayerInfo(document, PsdLayout(document), output);
}

void PsdEncoder::writeLayerInfo(const PsdImage& document, const PsdLayout& layout, io::Output& output) {
    output.writeInt32(checkedLength(layout.layerInfoLength()));
    output.writeInt16(static_cast<std::int32_t>(std::min<std::size_t>(document.layers.size(), 1 << 16)));
    // The file lists layers bottom-most first; the model top-most first.
    for (auto layer = document.layers.rbegin(); layer != document.layers.rend(); ++layer) {
        writeLayerRecord(document, **layer, output);
    }
    for (auto layer = document.layers.rbegin(); layer != document.layers.rend(); ++layer) {
        writeLayerImageData(document, **layer, output);
    }
}

void PsdEncoder::writeLayerRecord(const PsdImage& document, const PsdLayer& layer, io::Output& output) {
    output.writeInt32(layer.y);
    output.writeInt32(layer.x);
    output.writeInt32(
        static_cast<std::int32_t>(static_cast<std::uint32_t>(layer.y) + static_cast<std::uint32_t>(layer.height)));
    output.writeInt32(
        static_cast<std::int32_t>(static_cast<std::uint32_t>(layer.x) + static_cast<std::uint32_t>(layer.width)));
    output.writeInt16(layer.numChannels);
    // The field holds the 32-bit value of height x width + 2. Computed
    // unsigned, a model whose product exceeds 32 bits wraps as the field
    // would, where signed arithmetic would be undefined; the converter's
    // layers (at most 30000 a side) never come near it.
    const auto channelLength = static_cast<std::int32_t>(
        static_cast<std::uint32_t>(layer.height) * static_cast<std::uint32_t>(layer.width) + 2u);
    for (const std::int32_t id : channelIds) {
        output.writeInt16(id);
        output.writeInt32(channelLength);
    }
    output.writeString("8BIM");
    output.writeString(layer.blendMode);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(layer.opacity), static_cast<std::uint8_t>(layer.clipping),
                                   static_cast<std::uint8_t>(layer.flags), 0};
    output.writeFull(bytes, 4);
    output.writeInt32(checkedLength(PsdLayout::extraDataLength(PsdLayout::recordOf(layer))));
    writeLayerRecordMask(document, layer, output);
    writeLayerRecordBlendingRanges(document, layer, output);
    writeLayerRecordName(document, layer, output);
    writeLayerRecordAdditionalLayerInformation(document, layer, output);
}

void PsdEncoder::writeLayerRecordMask(const PsdImage&, const PsdLayer&, io::Output& output) { output.writeInt32(0); }

void PsdEncoder::writeLayerRecordBlendingRanges(const PsdImage&, const PsdLayer& layer, io::Output& output) {
    output.writeInt32(layer.numChannels * 8 + 8);
    output.writeInt32(fullRange);
    output.writeInt32(fullRange);
    for (std::int32_t i = 0; i < layer.numChannels; ++i) {
        output.writeInt32(fullRange);
        output.writeInt32(fullRange);
    }
}

// A Pascal string padded with zero bytes to a multiple of 4, length byte
// included. Longer names are cut to the 255 bytes the length byte can count.
void PsdEncoder::writeLayerRecordName(const PsdImage&, const PsdLayer& layer, io::Output& output) {
    const auto k = static_cast<std::int32_t>(PsdLayout::nameLength(layer.name));
    const std::uint8_t lengthByte = static_cast<std::uint8_t>(k);
    output.writeFull(&lengthByte, 1);
    output.writeFull(reinterpret_cast<const std::uint8_t*>(layer.name.data()), k);
    static constexpr std::uint8_t zeros[3] = {0, 0, 0};
    output.writeFull(zeros, (4 - (k + 1) % 4) % 4);
}

void PsdEncoder::writeLayerRecordAdditionalLayerInformation(const PsdImage& document, const PsdLayer& layer,
                                                            io::Output& output) {
    if (layer.type != PsdFormat::PIXEL_LAYER) writeAdditionalLayerInformationLsct(document, layer, output);
}

void PsdEncoder::writeAdditionalLayerInformationLsct(const PsdImage&, const PsdLayer& layer, io::Output& output) {
    output.writeString("8BIM");
    output.writeString("lsct");
    output.writeInt32(PsdLayout::dividerDataLength(layer.type));
    output.writeInt32(layer.type);
    if (layer.type == PsdFormat::GROUP_START) {
        output.writeString("8BIM");
        output.writeString("pass");
    }
}

void PsdEncoder::writeLayerImageData(const PsdImage&, const PsdLayer& layer, io::Output& output) {
    if (layer.indexed) {
        writeIndexedChannels(*layer.indexed, output);
    } else {
        writeRawRgbaChannels(layer.imageData, output);
    }
}

void PsdEncoder::writeGlobalLayerMaskInfo(const PsdImage&, io::Output& output) { output.writeInt32(0); }

void PsdEncoder::writeAdditionalLayerInfomation(const PsdImage&, io::Output&) {}

void PsdEncoder::writeImageData(const PsdImage& document, io::Output& output) {
    if (!document.composite) {
        writeRawRgba(document.imageData, output);
        return;
    }
    CompositeTables tables = document.composite->allocateTables();
    document.composite->resolve(tables);
    writeComposite(*document.composite, tables, output);
}

void PsdEncoder::writeComposite(const PixelSource& source, const CompositeTables& tables, io::Output& output) {
    // Made plane by plane, piece by piece, as written.
    output.writeInt16(rawCompression);
    for (const int shift : planeShifts) {
        writeInPieces(output, source.pixelCount(), [&](std::size_t from, std::size_t n, std::uint8_t* out) {
            source.plane(tables, shift, from, n, out);
        });
    }
}

void PsdEncoder::writeRawRgba(const std::vector<color::Rgba>& pixels, io::Output& output) {
    output.writeInt16(rawCompression);
    for (const int shift : planeShifts) writePlane(pixels, shift, output);
}

void PsdEncoder::writeRawRgbaChannels(const std::vector<color::Rgba>& pixels, io::Output& output) {
    for (const int shift : planeShifts) {
        output.writeInt16(rawCompression);
        writePlane(pixels, shift, output);
    }
}

void PsdEncoder::writeIndexedChannels(const IndexedPixels& pixels, io::Output& output) {
    const std::size_t present = std::min(pixels.indexCount, pixels.pixelCount);
    for (const int shift : planeShifts) {
        output.writeInt16(rawCompression);
        simd::ByteTable table;
        for (std::size_t i = 0; i < table.size(); ++i) {
            table[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(pixels.palette[i].value) >> shift);
        }
        const simd::PairLookup lookup(table, present);
        writeInPieces(output, pixels.pixelCount, [&](std::size_t from, std::size_t n, std::uint8_t* out) {
            const std::size_t fromIndices = from < present ? std::min(n, present - from) : 0;
            if (fromIndices > 0) lookup.map(pixels.indices + from, fromIndices, out);
            std::fill(out + fromIndices, out + n, std::uint8_t{0}); // pixels past the indices
        });
    }
}

} // namespace orvane::images::psd
