#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds Edge files as bytes, so tests describe their inputs instead of
// committing opaque files.
namespace tests {

// Little-endian byte builder for hand-made (also malformed) files.
class LeBytes {
public:
    LeBytes& u8(int v);
    LeBytes& u16(int v);
    LeBytes& i32(std::int64_t v);
    LeBytes& str(const std::string& s);
    LeBytes& zeros(std::size_t n);
    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

struct Edge1Run {
    std::int32_t position;
    std::int32_t length;
    std::uint8_t value;
};

struct Edge1Layer {
    std::string name; // padded with zero bytes (or cut) to 80 bytes
    std::uint8_t visibility = 1;
    std::vector<Edge1Run> runs;
    std::vector<std::uint8_t> literals;
};

struct Edge1Document {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint8_t transparentIndex = 0;
    std::vector<std::uint8_t> paletteRgb; // up to 768 bytes; the rest are zero
    std::vector<Edge1Layer> layers;
};

// A layer whose pixels are all literals.
Edge1Layer literalLayer(const std::string& name, std::vector<std::uint8_t> indices, bool visible = true);
// A palette where index i is (i, 255 - i, i * 7 mod 256).
std::vector<std::uint8_t> gradientPalette();

std::string writeEdge1(const Edge1Document& document);

// Edge2: a tagged chunk (uint16 tag, int32 length, payload).
std::string chunk(int tag, const std::string& payload);
std::string chunkWithLength(int tag, std::int64_t declaredLength, const std::string& payload);
// The 12-byte header followed by the zlib-compressed body.
std::string writeEdge2(const std::string& body);
std::string zlibCompress(const std::string& data, int level = 6);
// A zlib stream of prefix followed by zeroCount zero bytes, built in
// moments by repeating one compressed megabyte (a zlib bomb when large).
std::string zlibZeros(const std::string& prefix, std::uint64_t zeroCount);
// A zlib stream of `stored` in stored blocks, then `tail` letters A in a
// final dynamic block whose literal/length code is incomplete: zlib refuses
// the code set ("Invalid huffman"), faster decoders such as igzip decode it.
std::string storedThenIncompleteCode(const std::string& stored, int tail);
// Raw deflate data of `data` at `level` (0: stored blocks) in blocks none of
// which is final, ending on a byte boundary: any deflate data may follow.
std::string openDeflate(const std::string& data, int level);
// A final dynamic block with an incomplete distance code set, which zlib
// refuses ("Invalid huffman") and faster decoders such as igzip decode: it
// makes `made` bytes (matches of 258 at distance 1, then letters A) before a
// distance code the set does not hold.
std::string incompleteDistancesBlock(std::size_t made);
// The zlib stream of raw deflate data inflating to body: header, data, Adler-32.
std::string zlibWrap(const std::string& raw, const std::string& body);

struct Edge2Layer {
    std::string name;
    bool visible = true;
    bool locked = false;
    std::vector<std::uint8_t> indices;
};

struct Edge2Page {
    std::string name;
    int width = 0;
    int height = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool transparent = false;
    std::vector<Edge2Layer> layers;
    std::int32_t wait = 0; // no wait chunk when 0
};

struct Edge2Document {
    int bitDepth = 8; // no depth chunk when negative
    int transparentIndex = 0;
    std::vector<std::vector<std::uint8_t>> palettesBgr; // each: 3 bytes a colour
    std::vector<Edge2Page> pages;
};

std::string edge2Body(const Edge2Document& document);
std::string writeEdge2(const Edge2Document& document);

} // namespace tests
