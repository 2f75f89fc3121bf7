#pragma once

#include <cstddef>
#include <cstdint>

#include "io/ByteArray.h"
#include "io/Output.h"

namespace io {

// A sink that gathers what is written into pieces of up to a megabyte and
// passes each on whole: the file output to its file (or its writer thread),
// the browser's module to the page. The encoder writes most bytes straight
// into the piece (obtain). A sink supplies what passing on means.
class PieceOutput : public Output {
public:
    static constexpr std::size_t pieceLength = std::size_t{1} << 20;

    void writeByte(int c) override;
    std::uint8_t* obtain(std::int32_t n) override;

protected:
    std::int32_t writeRaw(const std::uint8_t* data, std::int32_t n) override;

    // The bytes gathered and not passed on yet.
    ByteArray& pending() { return pending_; }
    // Room for the first piece: only as much as the output will hold, so
    // that a batch of small outputs keeps reusing small blocks.
    void reservePending(std::size_t expected);

    // Before each write: raises where the sink can take nothing more.
    virtual void checkOpen() {}
    // Passes the full piece on, leaving pending() empty.
    virtual void passOn() = 0;
    // Passes on all that is pending, then `n` bytes of a write too large to
    // gather, in order.
    virtual void passOnAlong(const std::uint8_t* data, std::size_t n) = 0;

private:
    ByteArray pending_;
};

} // namespace io
