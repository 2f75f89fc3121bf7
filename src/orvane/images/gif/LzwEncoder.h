#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::images::gif {

// GIF's variable-width LZW over a run of a frame's indices, packed LSB first
// into bytes: codes from the minimum code size + 1 bits up to 12, widened
// right after the code that fills a width, and a clear code once the table
// holds 4095 entries (giflib's rule, which every decoder accepts). A run
// that is not the last ends with a clear code instead of the end code, so
// the next run can be encoded on its own, from a fresh table, and its bits
// joined to these.
class LzwEncoder {
public:
    // `continued`: the run follows one that ended with a clear code.
    LzwEncoder(std::vector<std::uint8_t>& out, int minimumCodeSize, bool continued = false);

    void add(const std::uint8_t* indices, std::size_t n);
    // The same, where pixel i may be written as either[i] instead, where
    // that encodes shorter: the pixels a frame leaves as they were.
    void add(const std::uint8_t* indices, const std::uint8_t* either, std::size_t n);
    // The last code, then the end code (`last`) or a clear code. Returns the
    // bits used in the last byte written, 8 where it is full.
    int finish(bool last);

private:
    static constexpr int slots = 1 << 13; // the table's hash: twice the codes

    // Inline: one a few pixels, in the encoder's loop.
    void emit(std::uint32_t code) {
        bits_ |= std::uint64_t{code} << bitCount_;
        bitCount_ += static_cast<int>(width_);
        if (bitCount_ >= 32) {
            for (int i = 0; i < 4; ++i) pending_[pendingLength_++] = static_cast<std::uint8_t>(bits_ >> (8 * i));
            bits_ >>= 32;
            bitCount_ -= 32;
            if (pendingLength_ == pending_.size()) flushPending();
        }
    }
    template <bool choosing>
    void run(const std::uint8_t* indices, const std::uint8_t* either, std::size_t n);
    // The code of the string read so far followed by index, or -1; `slot`
    // is where it goes or would go.
    std::int32_t find(std::uint8_t index, std::uint32_t& slot) const {
        const std::uint32_t key = (static_cast<std::uint32_t>(current_) << 8 | index) + 1;
        slot = (key * 2654435761u) >> (32 - 13);
        std::uint32_t entry;
        while ((entry = entries_[slot]) != 0 && (entry >> 12) != key) slot = (slot + 1) & (slots - 1);
        return entry != 0 ? static_cast<std::int32_t>(entry & 0xFFF) : -1;
    }
    void flushPending();
    void reset();

    std::vector<std::uint8_t>& out_;
    int minimumCodeSize_;
    std::uint32_t clear_, next_ = 0, width_ = 0;
    std::int32_t current_ = -1; // the code of the string read so far
    // Since the last clear: the pixels read before the current run, the
    // bits written; when the ratio is next checked, and its best so far.
    std::int64_t pixels_ = 0, checkAt_ = 0, bestRatio_ = 0;
    std::uint64_t bitsOut_ = 0;
    // By slot, 0 where empty: the string's key, (prefix code << 8 | index)
    // + 1, above its code's 12 bits; one word a slot, so the table stays in
    // the nearest cache.
    std::array<std::uint32_t, slots> entries_{};
    std::uint64_t bits_ = 0;
    int bitCount_ = 0;
    std::array<std::uint8_t, 4096> pending_{}; // whole bytes not yet in out_
    std::size_t pendingLength_ = 0;
};

} // namespace orvane::images::gif
