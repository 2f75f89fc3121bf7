#include "orvane/bytes/RowDeflater.h"

#include <algorithm>

#include "concurrency/Worker.h"
#include "orvane/bytes/Deflater.h"

namespace orvane::bytes {

namespace {

// Below this the halves would not pay for a thread.
constexpr std::size_t splitFrom = std::size_t{1} << 20;
constexpr std::size_t window = std::size_t{32} << 10;

// Rows [from, to) through the deflater, a few hundred kilobytes at a time,
// into `batch` (room for at least one row).
uLong deflateRows(Deflater& deflater, const RowDeflater::Fill& fill, std::size_t from, std::size_t to,
                  std::size_t rowLength, std::vector<std::uint8_t>& batch) {
    uLong adler = adler32(0L, nullptr, 0);
    const std::size_t perBatch = batch.size() / rowLength;
    for (std::size_t y = from; y < to;) {
        const std::size_t n = std::min(perBatch, to - y);
        for (std::size_t k = 0; k < n; ++k) fill(y + k, batch.data() + k * rowLength);
        deflater.add(batch.data(), n * rowLength);
        adler = adler32_z(adler, batch.data(), n * rowLength);
        y += n;
    }
    return adler;
}

std::vector<std::uint8_t> batchFor(std::size_t rows, std::size_t rowLength) {
    return std::vector<std::uint8_t>(std::min(std::max<std::size_t>(1, (256 * 1024) / rowLength), rows) * rowLength);
}

} // namespace

void RowDeflater::compress(std::size_t rows, std::size_t rowLength, const Fill& fill, int level,
                           concurrency::Route route, std::vector<std::uint8_t>& out, int strategy) {
    if (rows < 2 || rows * rowLength < splitFrom) {
        Deflater deflater(out, level, strategy);
        std::vector<std::uint8_t> batch = batchFor(rows, rowLength);
        if (rows > 0) deflateRows(deflater, fill, 0, rows, rowLength, batch);
        deflater.finish();
        return;
    }
    const std::size_t split = rows / 2;
    // What the second half needs is made here, so that its thread allocates
    // nothing but where its output outgrows its room: zlib's state, its
    // rows' room, its output's room.
    const std::size_t secondLength = (rows - split) * rowLength;
    // Room for what pixel art deflates to; noise, which deflates to about its
    // size, makes the vector grow on the helper. No room is taken where no
    // helper will run.
    std::vector<std::uint8_t> second;
    if (route == concurrency::Route::Helped) second.reserve(secondLength / 2 + (std::size_t{1} << 20));
    Deflater secondDeflater(second, level, strategy, true);
    std::vector<std::uint8_t> secondBatch = batchFor(rows - split, rowLength);
    const std::size_t primingRows = std::min(split, (window + rowLength - 1) / rowLength);
    std::vector<std::uint8_t> priming(primingRows * rowLength);
    for (std::size_t k = 0; k < primingRows; ++k) fill(split - primingRows + k, priming.data() + k * rowLength);
    const std::size_t primed = std::min(window, priming.size());
    secondDeflater.prime(priming.data() + priming.size() - primed, primed);
    uLong secondAdler = 0;
    const auto deflateSecond = [&] {
        secondAdler = deflateRows(secondDeflater, fill, split, rows, rowLength, secondBatch);
        secondDeflater.finish();
    };
    concurrency::Worker worker;
    const bool beside = worker.start(route, deflateSecond);

    Deflater first(out, level, strategy);
    std::vector<std::uint8_t> batch = batchFor(split, rowLength);
    deflateRows(first, fill, 0, split, rowLength, batch);
    first.flush();
    const uLong firstAdler = first.adler();
    if (beside) {
        worker.join();
    } else {
        deflateSecond();
    }
    out.insert(out.end(), second.begin(), second.end());
    const uLong adler = adler32_combine(firstAdler, secondAdler, static_cast<z_off_t>(secondLength));
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(adler >> shift));
}

} // namespace orvane::bytes
