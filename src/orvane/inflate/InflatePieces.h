#pragma once

#include <cstddef>
#include <cstdint>

#include "orvane/simd/Adler32.h"

namespace orvane::inflate {

// How a decoder's run over its output ended.
enum class PiecesEnd {
    Ended,  // the deflate data ended
    Full,   // the output can hold no more, and the data goes on
    Stopped // the decoder stopped short of the end (damaged or cut data)
};

struct Pieces {
    PiecesEnd end = PiecesEnd::Ended;
    std::size_t produced = 0;
    std::uint32_t adler = simd::Adler32::INITIAL; // of the bytes produced
};

// What one call of a decoder gave: bytes made, and whether it is done.
struct Piece {
    std::size_t made = 0;
    PiecesEnd end = PiecesEnd::Full; // Full: it goes on
};

// Runs a decoder over its output a megabyte at a time, summing the Adler-32
// of each piece while it is in cache. room(produced, wanted) gives where the
// next piece goes and may lower wanted, to 0 where the output is full;
// decode(target, n) fills at most n bytes.
template <typename Room, typename Decode>
Pieces inflateInPieces(Room room, Decode decode) {
    constexpr std::size_t piece = std::size_t{1} << 20;
    Pieces result;
    for (;;) {
        std::size_t wanted = piece;
        std::uint8_t* target = room(result.produced, wanted);
        if (wanted == 0) {
            result.end = PiecesEnd::Full;
            return result;
        }
        const Piece step = decode(target, wanted);
        result.adler = simd::Adler32::update(result.adler, target, step.made);
        result.produced += step.made;
        if (step.end != PiecesEnd::Full) {
            result.end = step.end;
            return result;
        }
    }
}

} // namespace orvane::inflate
