#include "orvane/images/gif/LzwEncoder.h"

namespace orvane::images::gif {

namespace {

constexpr std::uint32_t maxCodes = 4095;

} // namespace

LzwEncoder::LzwEncoder(std::vector<std::uint8_t>& out, int minimumCodeSize, bool continued)
    : out_(out), minimumCodeSize_(minimumCodeSize), clear_(1u << minimumCodeSize) {
    reset();
    if (!continued) emit(clear_);
}

void LzwEncoder::reset() {
    entries_.fill(0);
    next_ = clear_ + 2;
    width_ = static_cast<std::uint32_t>(minimumCodeSize_) + 1;
}

void LzwEncoder::flushPending() {
    out_.insert(out_.end(), pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingLength_));
    pendingLength_ = 0;
}

void LzwEncoder::add(const std::uint8_t* indices, std::size_t n) {
    std::size_t i = 0;
    if (current_ < 0 && n > 0) current_ = indices[i++];
    for (; i < n; ++i) {
        const std::uint8_t index = indices[i];
        const std::uint32_t key = (static_cast<std::uint32_t>(current_) << 8 | index) + 1;
        std::uint32_t slot = (key * 2654435761u) >> (32 - 13);
        std::uint32_t entry;
        while ((entry = entries_[slot]) != 0 && (entry >> 12) != key) slot = (slot + 1) & (slots - 1);
        if (entry != 0) {
            current_ = static_cast<std::int32_t>(entry & 0xFFF);
            continue;
        }
        emit(static_cast<std::uint32_t>(current_));
        if (next_ == (1u << width_) && width_ < 12) ++width_;
        if (next_ < maxCodes) {
            entries_[slot] = key << 12 | next_++;
        } else {
            emit(clear_);
            reset();
        }
        current_ = index;
    }
}

int LzwEncoder::finish(bool last) {
    if (current_ >= 0) {
        emit(static_cast<std::uint32_t>(current_));
        if (next_ == (1u << width_) && width_ < 12) ++width_;
    }
    emit(last ? clear_ + 1 : clear_);
    flushPending();
    // What is left: whole bytes, then the last bits.
    for (; bitCount_ >= 8; bitCount_ -= 8, bits_ >>= 8) out_.push_back(static_cast<std::uint8_t>(bits_));
    const int used = bitCount_;
    if (bitCount_ == 0) return 8;
    out_.push_back(static_cast<std::uint8_t>(bits_));
    bits_ = 0;
    bitCount_ = 0;
    return used;
}

} // namespace orvane::images::gif
