#include "orvane/images/gif/LzwEncoder.h"

namespace orvane::images::gif {

namespace {

constexpr std::uint32_t maxCodes = 4095;
// Once the table is full it is kept, and the ratio of pixels to bits since
// the last clear checked every this many pixels: the table is cleared once
// the ratio stops growing.
constexpr std::int64_t checkEvery = 16384;

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
    pixels_ = 0;
    bitsOut_ = 0;
    checkAt_ = 0;
    bestRatio_ = 0;
}

void LzwEncoder::flushPending() {
    out_.insert(out_.end(), pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pendingLength_));
    pendingLength_ = 0;
}

void LzwEncoder::add(const std::uint8_t* indices, std::size_t n) { run<false>(indices, nullptr, n); }

void LzwEncoder::add(const std::uint8_t* indices, const std::uint8_t* either, std::size_t n) {
    run<true>(indices, either, n);
}

template <bool choosing>
void LzwEncoder::run(const std::uint8_t* indices, const std::uint8_t* either, std::size_t n) {
    std::size_t i = 0;
    if (current_ < 0 && n > 0) current_ = indices[i++];
    for (; i < n; ++i) {
        const std::uint8_t index = indices[i];
        std::uint32_t slot = 0;
        const std::int32_t found = find(index, slot);
        if (found >= 0) {
            current_ = found;
            continue;
        }
        if constexpr (choosing) {
            // The other index this pixel may be written as, where it makes
            // the string longer.
            if (either[i] != index) {
                std::uint32_t otherSlot = 0;
                const std::int32_t other = find(either[i], otherSlot);
                if (other >= 0) {
                    current_ = other;
                    continue;
                }
            }
        }
        emit(static_cast<std::uint32_t>(current_));
        bitsOut_ += width_;
        if (next_ == (1u << width_) && width_ < 12) ++width_;
        if (next_ < maxCodes) {
            entries_[slot] = ((static_cast<std::uint32_t>(current_) << 8 | index) + 1) << 12 | next_++;
            if (next_ == maxCodes) checkAt_ = pixels_ + static_cast<std::int64_t>(i) + checkEvery;
        } else if (const std::int64_t seen = pixels_ + static_cast<std::int64_t>(i); seen >= checkAt_) {
            checkAt_ = seen + checkEvery;
            const std::int64_t ratio = (seen << 16) / static_cast<std::int64_t>(bitsOut_);
            if (ratio > bestRatio_) {
                bestRatio_ = ratio;
            } else {
                emit(clear_);
                reset();
                pixels_ = -static_cast<std::int64_t>(i);
            }
        }
        current_ = index;
    }
    pixels_ += static_cast<std::int64_t>(n);
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
