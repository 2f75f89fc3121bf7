#include "orvane/images/edg/EdgDecoder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "io/Eof.h"
#include "io/IoError.h"
#include "orvane/bytes/Inflater.h"
#include "orvane/images/OutputLimits.h"
#include "orvane/images/color/ColorUtils.h"
#include "orvane/images/edg/Error.h"

namespace orvane::images::edg {

namespace {

constexpr int edge1Version = 0;
constexpr int edge2Version = 50;
// Header bytes after the version byte that neither generation interprets.
constexpr std::int32_t edge1UnreadHeader = 5;
constexpr std::int32_t edge2UnreadHeader = 7;

// Chunk tags of an Edge2 body, one enumeration per block: the same number
// means different things in different blocks (1000 is the bit depth at the
// top level, the base position in header block 1006, the transparent index
// in header block 3008 and the name in a page or a layer). Tags not listed
// are skipped by their length.
enum class TopTag : int {
    BitDepth = 1000,   // uint8
    Header1006 = 1006, // block
    Page = 2003,       // block
    Dropped16 = 3001,  // uint16, read and dropped
    Dropped32 = 3002,  // int32, read and dropped
    Palette = 3003,    // block
    Header3008 = 3008, // block
};
enum class Header1006Tag : int {
    BasePosition = 1000, // uint16
};
enum class Header3008Tag : int {
    TransparentIndex = 1000, // uint8
};
enum class PaletteTag : int {
    Colours = 1005, // blue, green, red triples
};
enum class PageTag : int {
    Name = 1000,
    Width = 1005,         // uint16
    Height = 1006,        // uint16
    PaletteIndex = 1007,  // int32
    PaletteIndex2 = 1008, // int32, the same field: the later one wins
    Dropped32 = 2001,     // int32, read and dropped
    Layer = 2003,         // block
    Wait = 3000,          // int32
    Transparent = 3001,   // flag
    Memo = 3002,          // text, read and dropped
    X = 3003,             // int32 and a "relative" flag
    Y = 3004,             // int32 and a "relative" flag
    Available = 3005,     // flag
};
enum class LayerTag : int {
    Name = 1000,
    Child = 1002,   // flag
    Visible = 1005, // flag
    Pixels = 1006,  // one palette index a byte, appended
    Locked = 1007,  // flag
};

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

// The fixed-size values of the chunk tables; the byte count is the size the
// chunk must declare.
enum class Value { UInt8 = 1, UInt16 = 2, Int32 = 4 };

// Reads a fixed-size value after checking the chunk's declared length, so a
// mismatch stops with the reader at the first payload byte.
std::int32_t readValue(EdgDecoder::Reader& input, std::int32_t length, Value value) {
    requireLength(length, static_cast<std::int32_t>(value));
    switch (value) {
    case Value::UInt8:
        return input.readByte();
    case Value::UInt16:
        return input.readUInt16();
    case Value::Int32:
        break;
    }
    return input.readInt32();
}

// A flag byte: any value but 0 is true.
bool readFlag(EdgDecoder::Reader& input, std::int32_t length) { return readValue(input, length, Value::UInt8) != 0; }

// A page coordinate: int32, then a flag byte telling whether it is relative.
void readCoordinate(EdgDecoder::Reader& input, std::int32_t length, std::int32_t& coordinate, bool& isRelative) {
    requireLength(length, 5);
    coordinate = input.readInt32();
    isRelative = input.readByte() != 0;
}

// A chunk: uint16 tag, int32 payload length, payload.
constexpr std::int64_t chunkHeaderSize = 6;

// Walks the sub-chunks of a block. The count of bytes used advances by each
// sub-chunk's declared length, not by what was read, so a block whose
// sub-chunks overrun it ends after the one that crosses its end. The handler
// returns false to end the block at once.
template <typename Tag, typename Handler>
void readBlock(EdgDecoder::Reader& input, std::int32_t length, Handler handle) {
    std::int64_t used = 0;
    while (used < length) {
        const auto tag = static_cast<Tag>(input.readUInt16());
        const std::int32_t subLength = input.readInt32();
        if (!handle(tag, subLength)) return;
        used += chunkHeaderSize + std::int64_t{subLength};
    }
}

// The zlib stream of an Edge2 file: the rest of the file after its header,
// inflated where it stands, without a copy.
struct Stream {
    const std::uint8_t* data;
    std::size_t length;
};

Stream edge2Stream(EdgDecoder::Reader& input) {
    input.skip(edge2UnreadHeader);
    const std::int32_t length = input.getAbailable();
    return {input.readView(length), static_cast<std::size_t>(length)};
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

DecodedEdg EdgDecoder::decode(const io::Bytes& bytes, concurrency::Route route) {
    Reader input(bytes, bytes::Endian::LittleEndian);
    auto image = std::make_unique<EdgImage>();
    readHeader(input, *image);
    if (image->version == Version::Edge1) {
        readEdge1(input, *image);
        return DecodedEdg(inflate::InflatedBody(), std::move(image));
    }
    const Stream stream = edge2Stream(input);
    DecodedEdg decoded(bytes::Inflater::inflate(stream.data, stream.length, route), std::move(image));
    // Read before zlib's verdict is in: an error found in the body waits
    // behind it.
    decoded.hold([&] { readEdge2Body(decoded.body_.bytes(), *decoded.image_); });
    return decoded;
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
    input.skip(edge1UnreadHeader);
    page->width = input.readInt32();
    page->height = input.readInt32();
    if (page->width < 0 || page->height < 0) throw FormatError(Error::InvalidFormat);
    // Refused as soon as read, before any pixel array is sized from them.
    if (page->width > OutputLimits::MAX_SIDE || page->height > OutputLimits::MAX_SIDE) {
        throw FormatError(Error::UnsupportedFormat);
    }
    const int layerCount = input.readUInt16();
    // Both sides are 0..30000 here, so the product is at most 900,000,000:
    // it fits 32 bits.
    const std::int32_t pixelCount = page->width * page->height;
    // Two or more layers are written as PSD layers, whose layer info must fit
    // a 32-bit length: refuse before reading any pixel.
    if (layerCount >= 2 &&
        std::int64_t{layerCount} * pixelCount * OutputLimits::CHANNEL_COUNT > OutputLimits::MAX_SECTION_LENGTH) {
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
void EdgDecoder::readEdge2(Reader& input, EdgImage& image) {
    const Stream stream = edge2Stream(input);
    image.body = bytes::Inflater::uncompress(stream.data, stream.length);
    readEdge2Body(image.body, image);
}

// The inflated body is a sequence of chunks (uint16 tag, int32 length,
// payload); the larger chunks hold sub-chunks of the same form. Unknown tags
// are skipped by their length; known fixed-size tags must have their size.
void EdgDecoder::readEdge2Body(const io::Bytes& body, EdgImage& image) {
    Reader chunks(body, bytes::Endian::LittleEndian);
    while (chunks.position() < chunks.length()) {
        const auto tag = static_cast<TopTag>(chunks.readUInt16());
        const std::int32_t length = chunks.readInt32();
        switch (tag) {
        case TopTag::BitDepth:
            image.bitDepth = readValue(chunks, length, Value::UInt8);
            break;
        case TopTag::Header1006:
            readEdge2Header1006(chunks, length, image);
            break;
        case TopTag::Page:
            image.pages.push_back(readEdge2Page(chunks, length, image));
            break;
        case TopTag::Dropped16:
            readValue(chunks, length, Value::UInt16);
            break;
        case TopTag::Dropped32:
            readValue(chunks, length, Value::Int32);
            break;
        case TopTag::Palette:
            image.paletteBank.push_back(readEdge2Palette(chunks, length, image));
            break;
        case TopTag::Header3008:
            readEdge2Header3008(chunks, length, image);
            break;
        default:
            chunks.skip(length);
        }
    }
}

void EdgDecoder::readEdge2Header1006(Reader& input, std::int32_t length, EdgImage& image) {
    readBlock<Header1006Tag>(input, length, [&](Header1006Tag tag, std::int32_t subLength) {
        if (tag == Header1006Tag::BasePosition) {
            image.basePosition = readValue(input, subLength, Value::UInt16);
        } else {
            input.skip(subLength);
        }
        return true;
    });
}

void EdgDecoder::readEdge2Header3008(Reader& input, std::int32_t length, EdgImage& image) {
    readBlock<Header3008Tag>(input, length, [&](Header3008Tag tag, std::int32_t subLength) {
        if (tag == Header3008Tag::TransparentIndex) {
            image.transparentColorIndex = readValue(input, subLength, Value::UInt8);
        } else {
            input.skip(subLength);
        }
        return true;
    });
}

// The palette block ends right after its first colours sub-chunk: whatever
// follows in the block (and the 1 or 2 bytes of an incomplete colour) is left
// to the top level.
Palette EdgDecoder::readEdge2Palette(Reader& input, std::int32_t length, EdgImage&) {
    Palette palette;
    readBlock<PaletteTag>(input, length, [&](PaletteTag tag, std::int32_t subLength) {
        if (tag != PaletteTag::Colours) {
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
    readBlock<PageTag>(input, length, [&](PageTag tag, std::int32_t subLength) {
        switch (tag) {
        case PageTag::Name:
            page->name = input.readString(subLength);
            break;
        case PageTag::Width:
            page->width = readValue(input, subLength, Value::UInt16);
            break;
        case PageTag::Height:
            page->height = readValue(input, subLength, Value::UInt16);
            break;
        case PageTag::PaletteIndex:
        case PageTag::PaletteIndex2:
            page->paletteBankIndex = readValue(input, subLength, Value::Int32);
            break;
        case PageTag::Dropped32:
            readValue(input, subLength, Value::Int32);
            break;
        case PageTag::Layer:
            page->layers.push_back(readEdge2Layer(input, subLength, image, *page));
            break;
        case PageTag::Wait:
            page->wait = readValue(input, subLength, Value::Int32);
            break;
        case PageTag::Transparent:
            page->isTransparent = readFlag(input, subLength);
            break;
        case PageTag::Memo:
            if (subLength < 0) throw io::IoError::outsideBounds();
            input.skip(subLength);
            break;
        case PageTag::X:
            readCoordinate(input, subLength, page->x, page->isRelativeX);
            break;
        case PageTag::Y:
            readCoordinate(input, subLength, page->y, page->isRelativeY);
            break;
        case PageTag::Available:
            page->isAbailable = readFlag(input, subLength);
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
    readBlock<LayerTag>(input, length, [&](LayerTag tag, std::int32_t subLength) {
        switch (tag) {
        case LayerTag::Name:
            layer->name = input.readString(subLength);
            break;
        case LayerTag::Child:
            layer->isChild = readFlag(input, subLength);
            break;
        case LayerTag::Visible:
            layer->visible = readFlag(input, subLength);
            break;
        case LayerTag::Pixels:
            readEdge2LayerImage(input, subLength, *layer);
            break;
        case LayerTag::Locked:
            layer->isLocked = readFlag(input, subLength);
            break;
        default:
            input.skip(subLength);
        }
        return true;
    });
    return layer;
}

// One palette index per byte, appended: several pixel sub-chunks follow on.
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
