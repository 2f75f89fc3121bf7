#include "io/PieceOutput.h"

#include <algorithm>
#include <cstring>

namespace io {

void PieceOutput::writeByte(int c) {
    pending_.push_back(static_cast<std::uint8_t>(c));
    if (pending_.size() >= pieceLength) passOn();
}

std::uint8_t* PieceOutput::obtain(std::int32_t n) {
    checkOpen();
    const auto wanted = static_cast<std::size_t>(n);
    if (wanted > pieceLength) return nullptr;
    if (pending_.size() + wanted > pieceLength) passOn();
    const std::size_t start = pending_.size();
    pending_.resize(start + wanted);
    return pending_.data() + start;
}

std::int32_t PieceOutput::writeRaw(const std::uint8_t* data, std::int32_t n) {
    checkOpen();
    const auto count = static_cast<std::size_t>(n);
    if (pending_.size() + count < pieceLength) {
        const std::size_t start = pending_.size();
        pending_.resize(start + count);
        std::memcpy(pending_.data() + start, data, count);
        return n;
    }
    passOnAlong(data, count);
    return n;
}

void PieceOutput::reservePending(std::size_t expected) { pending_.reserve(std::min(expected, pieceLength)); }

} // namespace io
