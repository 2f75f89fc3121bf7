#include "orvane/inflate/DeflateCheck.h"

#include <array>
#include <cstring>

namespace orvane::inflate {

namespace {

// A decoding table entry: what a code stands for and how long it is.
struct Entry {
    std::uint16_t value = 0; // length or distance base; for a link, where its subtable starts
    std::uint8_t bits = 0;   // the code's length; for a link, the bits that index its subtable
    std::uint8_t kind = 0;   // one of Kind, with Base: plus the count of extra bits
};

enum Kind : std::uint8_t { Literal = 0x00, Base = 0x10, EndOfBlock = 0x20, Invalid = 0x40, Link = 0x80 };

constexpr unsigned maxCodeLength = 15;

// Lengths 3 to 258 and distances 1 to 32768: symbol, base and extra bits.
constexpr std::uint16_t lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                          31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                          2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t distanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                            33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                            1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

Entry literalLengthEntry(unsigned symbol, unsigned length) {
    const auto bits = static_cast<std::uint8_t>(length);
    if (symbol < 256) return {0, bits, Literal};
    if (symbol == 256) return {0, bits, EndOfBlock};
    // 286 and 287 have codes in the fixed set but stand for nothing.
    if (symbol > 285) return {0, bits, Invalid};
    return {lengthBase[symbol - 257], bits, static_cast<std::uint8_t>(Base | lengthExtra[symbol - 257])};
}

Entry distanceEntry(unsigned symbol, unsigned length) {
    const auto bits = static_cast<std::uint8_t>(length);
    // 30 and 31 likewise.
    if (symbol > 29) return {0, bits, Invalid};
    return {distanceBase[symbol], bits, static_cast<std::uint8_t>(Base | distanceExtra[symbol])};
}

Entry codeLengthEntry(unsigned symbol, unsigned length) {
    return {static_cast<std::uint16_t>(symbol), static_cast<std::uint8_t>(length), Literal};
}

unsigned reversed(unsigned code, unsigned length) {
    unsigned result = 0;
    for (unsigned i = 0; i < length; ++i, code >>= 1) result = (result << 1) | (code & 1);
    return result;
}

// Which incomplete code sets zlib takes: none for the code length code; for
// literals/lengths and distances, a set of one code of one bit (its other
// code is invalid where it turns up). A set with no codes at all is taken
// for distances only (every distance is invalid then).
enum class SetKind { CodeLengths, LiteralLengths, Distances };

// A two-level table: codes up to RootBits long are found with one lookup,
// longer ones through a subtable. Deflate codes are read bit-reversed, so the
// table is indexed by the reversed code.
template <unsigned RootBits, unsigned MaxLongCodes>
class Table {
public:
    // False where zlib refuses the set of code lengths (or this check does
    // not follow zlib, in the sets it declines).
    bool build(const std::uint8_t* lengths, unsigned count, SetKind kind, Entry (*entryFor)(unsigned, unsigned)) {
        unsigned perLength[maxCodeLength + 1] = {};
        for (unsigned i = 0; i < count; ++i) ++perLength[lengths[i]];
        perLength[0] = 0;
        unsigned longest = maxCodeLength;
        while (longest > 0 && perLength[longest] == 0) --longest;
        std::fill(entries_.begin(), entries_.begin() + rootSize, Entry{0, 0, Invalid});
        if (longest == 0) return kind == SetKind::Distances;
        int left = 1;
        for (unsigned length = 1; length <= maxCodeLength; ++length) {
            left = left * 2 - static_cast<int>(perLength[length]);
            if (left < 0) return false; // over-subscribed
        }
        if (left > 0 && (kind == SetKind::CodeLengths || longest != 1)) return false; // incomplete

        unsigned next[maxCodeLength + 2] = {};
        for (unsigned length = 1, code = 0; length <= maxCodeLength; ++length) {
            code = (code + perLength[length - 1]) << 1;
            next[length] = code;
        }
        // Canonical codes: the first code of each length follows the last of
        // the shorter lengths; within a length, codes go in symbol order.
        std::size_t used = rootSize;
        const unsigned subBits = longest > RootBits ? longest - RootBits : 0;
        for (unsigned symbol = 0; symbol < count; ++symbol) {
            const unsigned length = lengths[symbol];
            if (length == 0) continue;
            const unsigned code = reversed(next[length]++, length);
            const Entry entry = entryFor(symbol, length);
            if (length <= RootBits) {
                for (unsigned i = code; i < rootSize; i += 1u << length) entries_[i] = entry;
                continue;
            }
            Entry& link = entries_[code & (rootSize - 1)];
            if (link.kind != Link) {
                link = {static_cast<std::uint16_t>(used), static_cast<std::uint8_t>(subBits), Link};
                std::fill(entries_.begin() + used, entries_.begin() + used + (1u << subBits), Entry{0, 0, Invalid});
                used += 1u << subBits;
            }
            const unsigned step = 1u << (length - RootBits);
            for (unsigned i = code >> RootBits; i < (1u << subBits); i += step) entries_[link.value + i] = entry;
        }
        return true;
    }

    Entry lookup(std::uint64_t bits) const {
        Entry entry = entries_[bits & (rootSize - 1)];
        if (entry.kind == Link) entry = entries_[entry.value + ((bits >> RootBits) & ((1u << entry.bits) - 1))];
        return entry;
    }

private:
    static constexpr unsigned rootSize = 1u << RootBits;
    // Each code longer than the root opens at most one subtable.
    std::array<Entry, rootSize + MaxLongCodes*(1u << (maxCodeLength - RootBits))> entries_{};
};

using LiteralLengthTable = Table<10, 288>;
using DistanceTable = Table<8, 32>;
using CodeLengthTable = Table<7, 0>; // code length codes are at most 7 bits long

// The input as a stream of bits, least significant first, read ahead in a
// 64-bit buffer. Bits of the buffer at and above `count` are the stream's
// next bits, or zero past the end.
class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t length) : start_(data), next_(data), end_(data + length) {}

    // At least 56 bits in the buffer, or all that are left.
    void refill() {
        if (end_ - next_ >= 8) {
            std::uint64_t word;
            std::memcpy(&word, next_, 8);
            buffer_ |= word << count_;
            next_ += (63 - count_) >> 3;
            count_ |= 56;
            return;
        }
        while (count_ <= 56 && next_ < end_) {
            buffer_ |= std::uint64_t{*next_++} << count_;
            count_ += 8;
        }
    }
    std::uint64_t peek() const { return buffer_; }
    unsigned count() const { return count_; }
    void drop(unsigned n) {
        buffer_ >>= n;
        count_ -= n;
    }
    // The next n bits (n < 32), false where the data ends first.
    bool take(unsigned n, std::uint32_t& value) {
        if (count_ < n) refill();
        if (count_ < n) return false;
        value = static_cast<std::uint32_t>(buffer_ & ((std::uint64_t{1} << n) - 1));
        drop(n);
        return true;
    }
    // Drops the bits up to the next byte boundary; then `length` bytes are
    // skipped, false where fewer are left.
    void alignToByte() { drop(count_ & 7); }
    bool skipBytes(std::size_t length) {
        next_ -= count_ / 8; // the whole bytes read ahead
        buffer_ = 0;
        count_ = 0;
        if (static_cast<std::size_t>(end_ - next_) < length) return false;
        next_ += length;
        return true;
    }
    // Bytes up to and including the one holding the last bit taken.
    std::size_t used() const { return static_cast<std::size_t>(next_ - start_) - count_ / 8; }

private:
    const std::uint8_t* start_;
    const std::uint8_t* next_;
    const std::uint8_t* end_;
    std::uint64_t buffer_ = 0;
    unsigned count_ = 0;
};

struct FixedTables {
    LiteralLengthTable literalLengths;
    DistanceTable distances;
    FixedTables() {
        std::uint8_t lengths[288];
        std::fill(lengths, lengths + 144, 8);
        std::fill(lengths + 144, lengths + 256, 9);
        std::fill(lengths + 256, lengths + 280, 7);
        std::fill(lengths + 280, lengths + 288, 8);
        literalLengths.build(lengths, 288, SetKind::LiteralLengths, literalLengthEntry);
        std::fill(lengths, lengths + 32, 5);
        distances.build(lengths, 32, SetKind::Distances, distanceEntry);
    }
};

const FixedTables& fixedTables() {
    static const FixedTables tables;
    return tables;
}

// Reads a dynamic block's header into its two tables.
bool readDynamicHeader(BitReader& in, LiteralLengthTable& literalLengths, DistanceTable& distances) {
    std::uint32_t literalCount, distanceCount, codeLengthCount;
    if (!in.take(5, literalCount) || !in.take(5, distanceCount) || !in.take(4, codeLengthCount)) return false;
    literalCount += 257;
    distanceCount += 1;
    codeLengthCount += 4;
    if (literalCount > 286 || distanceCount > 30) return false;

    static constexpr std::uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    std::uint8_t codeLengths[19] = {};
    for (unsigned i = 0; i < codeLengthCount; ++i) {
        std::uint32_t length;
        if (!in.take(3, length)) return false;
        codeLengths[order[i]] = static_cast<std::uint8_t>(length);
    }
    CodeLengthTable codeLengthTable;
    if (!codeLengthTable.build(codeLengths, 19, SetKind::CodeLengths, codeLengthEntry)) return false;

    std::uint8_t lengths[286 + 30];
    const unsigned total = literalCount + distanceCount;
    for (unsigned have = 0; have < total;) {
        in.refill();
        const Entry entry = codeLengthTable.lookup(in.peek());
        if (entry.bits > in.count()) return false;
        in.drop(entry.bits);
        if (entry.value < 16) {
            lengths[have++] = static_cast<std::uint8_t>(entry.value);
            continue;
        }
        std::uint32_t repeat;
        std::uint8_t value = 0;
        if (entry.value == 16) {
            if (have == 0 || !in.take(2, repeat)) return false;
            value = lengths[have - 1];
            repeat += 3;
        } else if (entry.value == 17) {
            if (!in.take(3, repeat)) return false;
            repeat += 3;
        } else {
            if (!in.take(7, repeat)) return false;
            repeat += 11;
        }
        if (have + repeat > total) return false;
        std::memset(lengths + have, value, repeat);
        have += repeat;
    }
    if (lengths[256] == 0) return false; // no end-of-block code
    return literalLengths.build(lengths, literalCount, SetKind::LiteralLengths, literalLengthEntry) &&
           distances.build(lengths + literalCount, distanceCount, SetKind::Distances, distanceEntry);
}

// Decodes one Huffman-coded block's codes up to its end-of-block code,
// counting the bytes they stand for.
bool walkCodes(BitReader& in, const LiteralLengthTable& literalLengths, const DistanceTable& distances,
               std::uint64_t& produced) {
    for (;;) {
        in.refill();
        Entry entry = literalLengths.lookup(in.peek());
        // With at least 56 bits in the buffer, a length with its extra bits
        // and a distance with its extra bits (48 at most) are all there.
        if (entry.bits > in.count() || entry.kind == Invalid) return false;
        in.drop(entry.bits);
        if (entry.kind == Literal) {
            ++produced;
            continue;
        }
        if (entry.kind == EndOfBlock) return true;
        unsigned extra = entry.kind & 0x0F;
        if (extra > in.count()) return false;
        const std::uint64_t length = entry.value + (in.peek() & ((1u << extra) - 1));
        in.drop(extra);

        entry = distances.lookup(in.peek());
        if (entry.bits > in.count() || entry.kind == Invalid) return false;
        in.drop(entry.bits);
        extra = entry.kind & 0x0F;
        if (extra > in.count()) return false;
        const std::uint64_t distance = entry.value + (in.peek() & ((1u << extra) - 1));
        in.drop(extra);
        if (distance > produced) return false; // before the start of the output
        produced += length;
    }
}

} // namespace

bool DeflateCheck::accepts(const std::uint8_t* data, std::size_t length, std::size_t maxOutput, Accepted& accepted,
                           const std::function<void(std::uint64_t)>& betweenBlocks) {
    BitReader in(data, length);
    LiteralLengthTable literalLengths;
    DistanceTable distances;
    std::uint64_t produced = 0;
    for (std::uint32_t last = 0; last == 0;) {
        std::uint32_t type;
        if (!in.take(1, last) || !in.take(2, type)) return false;
        if (type == 0) {
            in.alignToByte();
            std::uint32_t size, complement;
            if (!in.take(16, size) || !in.take(16, complement) || size != (~complement & 0xFFFF)) return false;
            if (!in.skipBytes(size)) return false;
            produced += size;
        } else if (type == 1) {
            const FixedTables& fixed = fixedTables();
            if (!walkCodes(in, fixed.literalLengths, fixed.distances, produced)) return false;
        } else if (type == 2) {
            if (!readDynamicHeader(in, literalLengths, distances)) return false;
            if (!walkCodes(in, literalLengths, distances, produced)) return false;
        } else {
            return false;
        }
        if (produced > maxOutput) return false;
        if (betweenBlocks) betweenBlocks(produced);
    }
    accepted = {produced, in.used()};
    return true;
}

} // namespace orvane::inflate
