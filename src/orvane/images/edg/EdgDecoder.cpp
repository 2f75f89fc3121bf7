#include "orvane/images/edg/EdgDecoder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "io/Eof.h"
#include "io/IoError.h"
#include "orvane/bytes/Inflater.h"
#include "orvane/images/color/ColorUtils.h"
#include "orvane/images/edg/Error.h"

namespace orvane::images::edg {

namespace {

constexpr int edge1Version = 0;
constexpr int edge2Version = 50;

struct Run {
    std::int32_t position;
    std::int32_t length;
    std::uint8_t value;
};

// The pixel array of one layer while its runs and literals are expanded.
// Writes outside [0, S) are dropped, so the array never outgrows S entries;
// positions that nothing wrote hold 0.
class LayerPixels {
public:
    LayerPixels(std::vector<std::uint8_t>& data, std::int64_t pixelCount) : data_(data), limit_(pixelCount) {}

    void fill(std::int64_t p, std::int64_t count, std::uint8_t value) {
        const std::int64_t from = std::max<std::int64_t>(p, 0);
        const std::int64_t to = std::min(p + count, limit_);
        if (from >= to) return;
        growTo(to);
        std::memset(data_.data() + from, value, static_cast<std::size_t>(to - from));
    }

    // Reads count literal bytes meant for positions p, p + 1, ...; every byte
    // is consumed, those outside [0, S) are dropped.
    void readLiterals(EdgDecoder::Reader& input, std::int64_t p, std::int32_t count) {
        const auto below = static_cast<std::int32_t>(std::clamp<std::int64_t>(-p, 0, count));
        const std::int64_t from = std::max<std::int64_t>(p, 0);
        const std::int64_t to = std::min(p + count, limit_);
        const auto kept = static_cast<std::int32_t>(std::max<std::int64_t>(to - from, 0));
        input.skip(below);
        if (kept > 0) {
            growTo(to);
            input.readInto(data_.data() + from, kept);
        }
        input.skip(count - below - kept);
    }

private:
    void growTo(std::int64_t end) {
        if (static_cast<std::size_t>(end) > data_.size()) data_.resize(static_cast<std::size_t>(end), 0);
    }

    std::vector<std::uint8_t>& data_;
    std::int64_t limit_;
};

void requireLength(std::int32_t length, std::int32_t required) {
    if (length != required) throw FormatError(Error::InvalidFormat);
}

// Walks the sub-chunks of a block. The count of bytes used advances by each
// sub-chunk's declared length, not by what was read, so a block whose
// sub-chunks overrun it ends after the one that crosses its end. The handler
// returns false to end the block at once.
template <typename Handler>
void readBlock(EdgDecoder::Reader& input, std::int32_t length, Handler handle) {
    std::int64_t used = 0;
    while (used < length) {
        const int tag = input.readUInt16();
        const std::int32_t subLength = input.readInt32();
        if (!handle(tag, subLength)) return;
        used += 6 + std::int64_t{subLength};
    }
}

} // namespace

std::unique_ptr<EdgImage> EdgDecoder::decode(const io::Bytes& bytes) {
    Reader input(bytes, bytes::Endian::LittleEndian);
    auto image = std::make_unique<EdgImage>();
    readHeader(input, *image);
    if (image->version == Version::Edge1) {
        readEdge1(input, *image);
    } else {
        readEdge2(input, *image);
    }
    return image;
}

void EdgDecoder::readHeader(Reader& input, EdgImage& image) {
    validateSignature(input.read(4));
    readVersion(input, image);
}

void EdgDecoder::validateSignature(const io::Bytes& signature) {
    if (signature.toString() != "EDGE") throw FormatError(Error::InvalidFormat);
}

void EdgDecoder::readVersion(Reader& input, EdgImage& image) {
    const int version = input.readByte();
    if (version == edge1Version) {
        image.version = Version::Edge1;
    } else if (version == edge2Version) {
        image.version = Version::Edge2;
    } else {
        throw FormatError(Error::InvalidFormat);
    }
}

void EdgDecoder::readEdge1(Reader& input, EdgImage& image) {
    image.bitDepth = 8;
    auto page = std::make_unique<EdgPage>(image);
    page->name = "000Page";
    input.skip(5);
    page->width = input.readInt32();
    page->height = input.readInt32();
    if (page->width < 0 || page->height < 0) throw FormatError(Error::InvalidFormat);
    if (page->width > MAX_SIDE || page->height > MAX_SIDE) throw FormatError(Error::UnsupportedFormat);
    const int layerCount = input.readUInt16();
    const std::int32_t pixelCount = page->width * page->height;
    // Two or more layers are written as PSD layers, whose layer info must fit
    // a 32-bit length: refuse before reading any pixel.
    if (layerCount >= 2 && std::int64_t{layerCount} * pixelCount * 4 > std::numeric_limits<std::int32_t>::max()) {
        throw FormatError(Error::UnsupportedFormat);
    }
    image.transparentColorIndex = input.readByte();
    page->transparentColorIndex = image.transparentColorIndex;
    readEdge1Palette(input, image);
    page->paletteBankIndex = 0;
    for (int i = 0; i < layerCount; ++i) {
        auto layer = std::make_unique<EdgLayer>(*page);
        layer->name = input.readString(LAYER_NAME_MAX);
        layer->visible = input.readByte() == 1;
        readEdge1LayerImage(input, *layer, pixelCount);
        page->layers.push_back(std::move(layer));
    }
    image.pages.push_back(std::move(page));
}

void EdgDecoder::readEdge1Palette(Reader& input, EdgImage& image) {
    Palette palette(256);
    for (auto& colour : palette) colour = color::ColorUtils::readRgb(input);
    image.paletteBank.push_back(std::move(palette));
}

// The layer's pixels are a stream of M literal indices with runs of one index
// inserted before given literals. Runs are taken in table order only: a run
// whose position was passed already, or lies beyond M, stops run expansion
// for the rest of the layer while the literals still arrive.
void EdgDecoder::readEdge1LayerImage(Reader& input, EdgLayer& layer, std::int32_t pixelCount) {
    const std::int32_t runCount = input.readInt32();
    std::vector<Run> runs;
    for (std::int32_t k = 0; k < runCount; ++k) {
        Run run{};
        run.position = input.readInt32();
        run.length = input.readInt32();
        run.value = static_cast<std::uint8_t>(input.readByte());
        runs.push_back(run);
    }
    const std::int32_t literalCount = input.readInt32();
    if (literalCount < 0) return;

    LayerPixels pixels(layer.imageData.owned(), pixelCount);
    std::size_t nextRun = 0;
    std::int64_t p = 0;
    std::int32_t i = 0;
    for (;;) {
        while (nextRun < runs.size() && runs[nextRun].position == i) {
            pixels.fill(p, runs[nextRun].length, runs[nextRun].value);
            p += runs[nextRun].length;
            ++nextRun;
        }
        if (i == literalCount) break;
        std::int32_t stop = literalCount;
        if (nextRun < runs.size() && runs[nextRun].position > i && runs[nextRun].position < literalCount) {
            stop = runs[nextRun].position;
        }
        pixels.readLiterals(input, p, stop - i);
        p += stop - i;
        i = stop;
    }
}

// Edge2: after the 12-byte header the rest of the file is one zlib stream.
// Inflated, it is a sequence of chunks (uint16 tag, int32 length, payload);
// the larger chunks hold sub-chunks of the same form. Unknown tags are
// skipped by their length; known fixed-size tags must have their size.
void EdgDecoder::readEdge2(Reader& input, EdgImage& image) {
    input.skip(7);
    // The rest of the file is inflated where it stands, without a copy.
    const std::int32_t compressedLength = input.getAbailable();
    const std::uint8_t* compressed = input.readView(compressedLength);
    image.body = bytes::Inflater::uncompress(compressed, static_cast<std::size_t>(compressedLength));
    Reader chunks(image.body, bytes::Endian::LittleEndian);
    while (chunks.position() < chunks.length()) {
        const int tag = chunks.readUInt16();
        const std::int32_t length = chunks.readInt32();
        switch (tag) {
        case 1000:
            requireLength(length, 1);
            image.bitDepth = chunks.readByte();
            break;
        case 1006:
            readEdge2Header1006(chunks, length, image);
            break;
        case 2003:
            image.pages.push_back(readEdge2Page(chunks, length, image));
            break;
        case 3001:
            requireLength(length, 2);
            chunks.readUInt16();
            break;
        case 3002:
            requireLength(length, 4);
            chunks.readInt32();
            break;
        case 3003:
            image.paletteBank.push_back(readEdge2Palette(chunks, length, image));
            break;
        case 3008:
            readEdge2Header3008(chunks, length, image);
            break;
        default:
            chunks.skip(length);
        }
    }
}

void EdgDecoder::readEdge2Header1006(Reader& input, std::int32_t length, EdgImage& image) {
    readBlock(input, length, [&](int tag, std::int32_t subLength) {
        if (tag == 1000) {
            requireLength(subLength, 2);
            image.basePosition = input.readUInt16();
        } else {
            input.skip(subLength);
        }
        return true;
    });
}

void EdgDecoder::readEdge2Header3008(Reader& input, std::int32_t length, EdgImage& image) {
    readBlock(input, length, [&](int tag, std::int32_t subLength) {
        if (tag == 1000) {
            requireLength(subLength, 1);
            image.transparentColorIndex = input.readByte();
        } else {
            input.skip(subLength);
        }
        return true;
    });
}

// The palette block ends right after its first 1005 sub-chunk: whatever
// follows in the block (and the 1 or 2 bytes of an incomplete colour) is left
// to the top level.
Palette EdgDecoder::readEdge2Palette(Reader& input, std::int32_t length, EdgImage&) {
    Palette palette;
    readBlock(input, length, [&](int tag, std::int32_t subLength) {
        if (tag != 1005) {
            input.skip(subLength);
            return true;
        }
        const std::int32_t count = subLength >= 3 ? subLength / 3 : 0;
        if (std::int64_t{count} * 3 > input.getAbailable()) {
            input.skip(input.getAbailable());
            throw io::Eof();
        }
        palette.resize(static_cast<std::size_t>(count));
        for (auto& colour : palette) colour = color::ColorUtils::readBgr(input);
        return false;
    });
    return palette;
}

std::unique_ptr<EdgPage> EdgDecoder::readEdge2Page(Reader& input, std::int32_t length, EdgImage& image) {
    auto page = std::make_unique<EdgPage>(image);
    readBlock(input, length, [&](int tag, std::int32_t subLength) {
        switch (tag) {
        case 1000:
            page->name = input.readString(subLength);
            break;
        case 1005:
            requireLength(subLength, 2);
            page->width = input.readUInt16();
            break;
        case 1006:
            requireLength(subLength, 2);
            page->height = input.readUInt16();
            break;
        case 1007:
        case 1008:
            requireLength(subLength, 4);
            page->paletteBankIndex = input.readInt32();
            break;
        case 2001:
            requireLength(subLength, 4);
            input.readInt32();
            break;
        case 2003:
            page->layers.push_back(readEdge2Layer(input, subLength, image, *page));
            break;
        case 3000:
            requireLength(subLength, 4);
            page->wait = input.readInt32();
            break;
        case 3001:
            requireLength(subLength, 1);
            page->isTransparent = input.readByte() != 0;
            break;
        case 3002:
            if (subLength < 0) throw io::IoError::outsideBounds();
            input.skip(subLength);
            break;
        case 3003:
            requireLength(subLength, 5);
            page->x = input.readInt32();
            page->isRelativeX = input.readByte() != 0;
            break;
        case 3004:
            requireLength(subLength, 5);
            page->y = input.readInt32();
            page->isRelativeY = input.readByte() != 0;
            break;
        case 3005:
            requireLength(subLength, 1);
            page->isAbailable = input.readByte() != 0;
            break;
        default:
            input.skip(subLength);
        }
        return true;
    });
    return page;
}

std::unique_ptr<EdgLayer> EdgDecoder::readEdge2Layer(Reader& input, std::int32_t length, EdgImage&, EdgPage& page) {
    auto layer = std::make_unique<EdgLayer>(page);
    readBlock(input, length, [&](int tag, std::int32_t subLength) {
        switch (tag) {
        case 1000:
            layer->name = input.readString(subLength);
            break;
        case 1002:
            requireLength(subLength, 1);
            layer->isChild = input.readByte() != 0;
            break;
        case 1005:
            requireLength(subLength, 1);
            layer->visible = input.readByte() != 0;
            break;
        case 1006:
            readEdge2LayerImage(input, subLength, *layer);
            break;
        case 1007:
            requireLength(subLength, 1);
            layer->isLocked = input.readByte() != 0;
            break;
        default:
            input.skip(subLength);
        }
        return true;
    });
    return layer;
}

// One palette index per byte, appended: several 1006 sub-chunks follow on.
void EdgDecoder::readEdge2LayerImage(Reader& input, std::int32_t length, EdgLayer& layer) {
    if (length <= 0) return;
    const std::uint8_t* indices = input.readView(length);
    // The body outlives the document's layers: point into it, copy only to join.
    if (layer.imageData.empty()) {
        layer.imageData.view(indices, static_cast<std::size_t>(length));
    } else {
        layer.imageData.append(indices, static_cast<std::size_t>(length));
    }
}

} // namespace orvane::images::edg
