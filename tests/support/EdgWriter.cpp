#include "support/EdgWriter.h"

#include "support/TestHelpers.h"

#include <algorithm>
#include <stdexcept>
#include <zlib.h>

namespace tests {

LeBytes& LeBytes::u8(int v) {
    bytes_.push_back(static_cast<char>(v & 0xFF));
    return *this;
}

LeBytes& LeBytes::u16(int v) { return u8(v).u8(v >> 8); }

LeBytes& LeBytes::i32(std::int64_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    return u8(static_cast<int>(u))
        .u8(static_cast<int>(u >> 8))
        .u8(static_cast<int>(u >> 16))
        .u8(static_cast<int>(u >> 24));
}

LeBytes& LeBytes::str(const std::string& s) {
    bytes_ += s;
    return *this;
}

LeBytes& LeBytes::zeros(std::size_t n) {
    bytes_.append(n, '\0');
    return *this;
}

Edge1Layer literalLayer(const std::string& name, std::vector<std::uint8_t> indices, bool visible) {
    Edge1Layer layer;
    layer.name = name;
    layer.visibility = visible ? 1 : 0;
    layer.literals = std::move(indices);
    return layer;
}

std::vector<std::uint8_t> gradientPalette() {
    std::vector<std::uint8_t> palette;
    for (int i = 0; i < 256; ++i) {
        palette.push_back(static_cast<std::uint8_t>(i));
        palette.push_back(static_cast<std::uint8_t>(255 - i));
        palette.push_back(static_cast<std::uint8_t>(i * 7));
    }
    return palette;
}

std::string writeEdge1(const Edge1Document& document) {
    LeBytes out;
    out.str("EDGE").u8(0).zeros(5);
    out.i32(document.width).i32(document.height).u16(static_cast<int>(document.layers.size()));
    out.u8(document.transparentIndex);
    std::string palette(document.paletteRgb.begin(), document.paletteRgb.end());
    palette.resize(768, '\0');
    out.str(palette);
    for (const Edge1Layer& layer : document.layers) {
        std::string name = layer.name;
        name.resize(80, '\0');
        out.str(name).u8(layer.visibility).i32(static_cast<std::int64_t>(layer.runs.size()));
        for (const Edge1Run& run : layer.runs) out.i32(run.position).i32(run.length).u8(run.value);
        out.i32(static_cast<std::int64_t>(layer.literals.size()));
        out.str(std::string(layer.literals.begin(), layer.literals.end()));
    }
    return out.bytes();
}

std::string chunkWithLength(int tag, std::int64_t declaredLength, const std::string& payload) {
    LeBytes out;
    out.u16(tag).i32(declaredLength).str(payload);
    return out.bytes();
}

std::string chunk(int tag, const std::string& payload) {
    return chunkWithLength(tag, static_cast<std::int64_t>(payload.size()), payload);
}

std::string zlibCompress(const std::string& data, int level) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                  static_cast<uLong>(data.size()), level) != Z_OK) {
        throw std::runtime_error("compress2 failed");
    }
    out.resize(size);
    return out;
}

namespace {

// Raw deflate of data, ending byte-aligned with the compressor's state reset,
// so equal inputs after it compress to equal bytes.
std::string deflateFlushed(z_stream& z, const std::string& data, int flush) {
    std::string out;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    char buffer[65536];
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        deflate(&z, flush);
        out.append(buffer, sizeof buffer - z.avail_out);
    } while (z.avail_out == 0);
    return out;
}

} // namespace

std::string zlibZeros(const std::string& prefix, std::uint64_t zeroCount) {
    constexpr std::uint64_t piece = 1 << 20;
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string stream("\x78\x01", 2);
    stream += deflateFlushed(z, prefix, Z_FULL_FLUSH);
    const std::string zeros(piece, '\0');
    uLong adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(prefix.data()),
                          static_cast<uInt>(prefix.size()));
    const uLong zerosAdler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(zeros.data()), piece);
    // After a full flush no match reaches back before it, so one compressed
    // megabyte of zeros can stand for every other.
    std::string unit;
    if (zeroCount >= piece) {
        deflateFlushed(z, zeros, Z_FULL_FLUSH);
        unit = deflateFlushed(z, zeros, Z_FULL_FLUSH);
    }
    for (std::uint64_t done = 0; done < zeroCount;) {
        const std::uint64_t n = std::min(piece, zeroCount - done);
        if (n == piece) {
            stream += unit;
            adler = adler32_combine(adler, zerosAdler, static_cast<z_off_t>(piece));
        } else {
            stream += deflateFlushed(z, std::string(n, '\0'), Z_FULL_FLUSH);
            const uLong tailAdler =
                adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(zeros.data()), static_cast<uInt>(n));
            adler = adler32_combine(adler, tailAdler, static_cast<z_off_t>(n));
        }
        done += n;
    }
    stream += deflateFlushed(z, "", Z_FINISH);
    deflateEnd(&z);
    for (int shift = 24; shift >= 0; shift -= 8) stream.push_back(static_cast<char>(adler >> shift));
    return stream;
}

std::string writeEdge2(const std::string& body) {
    LeBytes out;
    out.str("EDGE").u8(50).zeros(7).str(zlibCompress(body));
    return out.bytes();
}

namespace {

std::string u8Payload(int v) { return LeBytes().u8(v).bytes(); }

std::string layerBlock(const Edge2Layer& layer) {
    std::string block;
    block += chunk(1000, layer.name);
    block += chunk(1005, u8Payload(layer.visible ? 1 : 0));
    block += chunk(1007, u8Payload(layer.locked ? 1 : 0));
    block += chunk(1006, std::string(layer.indices.begin(), layer.indices.end()));
    return block;
}

std::string pageBlock(const Edge2Page& page) {
    std::string block;
    block += chunk(1000, page.name);
    block += chunk(1005, LeBytes().u16(page.width).bytes());
    block += chunk(1006, LeBytes().u16(page.height).bytes());
    block += chunk(3001, u8Payload(page.transparent ? 1 : 0));
    block += chunk(3003, LeBytes().i32(page.x).u8(0).bytes());
    block += chunk(3004, LeBytes().i32(page.y).u8(0).bytes());
    if (page.wait != 0) block += chunk(3000, LeBytes().i32(page.wait).bytes());
    for (const Edge2Layer& layer : page.layers) block += chunk(2003, layerBlock(layer));
    return block;
}

} // namespace

std::string edge2Body(const Edge2Document& document) {
    std::string body;
    if (document.bitDepth >= 0) body += chunk(1000, u8Payload(document.bitDepth));
    body += chunk(3008, chunk(1000, u8Payload(document.transparentIndex)));
    for (const auto& palette : document.palettesBgr) {
        body += chunk(3003, chunk(1005, std::string(palette.begin(), palette.end())));
    }
    for (const Edge2Page& page : document.pages) body += chunk(2003, pageBlock(page));
    return body;
}

std::string writeEdge2(const Edge2Document& document) { return writeEdge2(edge2Body(document)); }

namespace {

// Deflate data, bits from the least significant up; Huffman codes go most
// significant bit first.
class DeflateBits {
public:
    void put(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) bit((value >> i) & 1);
    }
    void code(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) bit((value >> i) & 1);
    }
    void align() {
        while (used_ != 0) bit(0);
    }
    void raw(const std::string& bytes) { out_ += bytes; }
    const std::string& bytes() const { return out_; }

private:
    void bit(std::uint32_t b) {
        if (used_ == 0) out_.push_back(0);
        out_.back() = static_cast<char>(out_.back() | static_cast<char>(b << used_));
        used_ = (used_ + 1) % 8;
    }
    std::string out_;
    int used_ = 0;
};

} // namespace

// A zlib stream of `stored` in stored blocks, then `tail` letters A in a
// final dynamic block whose literal/length code is incomplete (only 'A' and
// the end of the block, two codes of 2 bits): zlib refuses the code set,
// igzip decodes it.
namespace {

// The code length code of symbols 0, 1, 2 and 18, two bits each (00, 01, 10,
// 11), and by it the literal/length lengths of a block of letters A: `bits`
// for 'A' and for the end of the block, 0 for every other literal.
void lettersALengths(DeflateBits& bits, int length) {
    bits.put(18 - 4, 4); // 18 code length codes, in their order:
    const int order[] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1};
    for (const int symbol : order) bits.put(symbol == 0 || symbol == 1 || symbol == 2 || symbol == 18 ? 2 : 0, 3);
    bits.code(3, 2), bits.put(65 - 11, 7);  // lengths 0 for 0..64
    bits.code(length, 2);                   // 'A'
    bits.code(3, 2), bits.put(138 - 11, 7); // 0 for 66..203
    bits.code(3, 2), bits.put(52 - 11, 7);  // 0 for 204..255
    bits.code(length, 2);                   // the end of block
}

} // namespace

std::string storedThenIncompleteCode(const std::string& stored, int tail) {
    DeflateBits bits;
    for (std::size_t at = 0; at < stored.size(); at += 65535) {
        const std::string block = stored.substr(at, 65535);
        bits.put(0, 3); // not final, stored
        bits.align();
        const auto n = static_cast<int>(block.size());
        bits.raw(bytes({n & 0xFF, n >> 8, ~n & 0xFF, (~n >> 8) & 0xFF}) + block);
    }
    bits.put(1, 1); // final
    bits.put(2, 2); // dynamic
    bits.put(0, 5); // 257 literal/length codes
    bits.put(0, 5); // 1 distance code
    // Two codes of 2 bits for 257 symbols: incomplete.
    lettersALengths(bits, 2);
    bits.code(1, 2); // 1 for the one distance
    for (int i = 0; i < tail; ++i) bits.code(0, 2);
    bits.code(1, 2);
    bits.align();
    return zlibWrap(bits.bytes(), stored + std::string(static_cast<std::size_t>(tail), 'A'));
}

std::string openDeflate(const std::string& data, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
    std::string raw = deflateFlushed(z, data, Z_SYNC_FLUSH);
    deflateEnd(&z);
    return raw;
}

std::string incompleteDistancesBlock(std::size_t made) {
    DeflateBits bits;
    bits.put(1, 1);  // final
    bits.put(2, 2);  // dynamic
    bits.put(29, 5); // 286 literal/length codes
    bits.put(1, 5);  // 2 distance codes
    // 'A' and the end of the block 2 bits (10, 11), the length 258 one (0).
    lettersALengths(bits, 2);
    bits.code(3, 2), bits.put(28 - 11, 7); // 0 for 257..284
    bits.code(1, 2);                       // 1 for 285
    bits.code(2, 2), bits.code(2, 2);      // two distances of 2 bits: incomplete
    for (std::size_t i = 0; i < made / 258; ++i) bits.code(0, 1), bits.code(0, 2);
    for (std::size_t i = 0; i < made % 258; ++i) bits.code(2, 2);
    bits.code(0, 1), bits.code(3, 2); // a distance code of no distance
    bits.align();
    return bits.bytes();
}

std::string zlibWrap(const std::string& raw, const std::string& body) {
    const uLong adler =
        adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return bytes({0x78, 0x01}) + raw +
           bytes({static_cast<int>(adler >> 24), static_cast<int>(adler >> 16) & 0xFF,
                  static_cast<int>(adler >> 8) & 0xFF, static_cast<int>(adler) & 0xFF});
}

} // namespace tests
