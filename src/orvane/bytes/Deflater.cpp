#include "orvane/bytes/Deflater.h"

#include <climits>
#include <new>
#include <stdexcept>

namespace orvane::bytes {

Deflater::Deflater(std::vector<std::uint8_t>& out, int level, int strategy, bool raw) : out_(out), buffer_(256 * 1024) {
    const int status = deflateInit2(&stream_, level, Z_DEFLATED, raw ? -15 : 15, 9, strategy);
    if (status == Z_MEM_ERROR) throw std::bad_alloc();
    if (status != Z_OK) throw std::logic_error("deflateInit2 failed");
}

Deflater::~Deflater() { deflateEnd(&stream_); }

void Deflater::add(const std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        const auto take = static_cast<uInt>(n < UINT_MAX ? n : UINT_MAX);
        stream_.next_in = const_cast<Bytef*>(data);
        stream_.avail_in = take;
        run(Z_NO_FLUSH);
        data += take;
        n -= take;
    }
}

void Deflater::finish() { run(Z_FINISH); }

void Deflater::flush() { run(Z_SYNC_FLUSH); }

void Deflater::prime(const std::uint8_t* data, std::size_t n) {
    if (deflateSetDictionary(&stream_, data, static_cast<uInt>(n)) != Z_OK)
        throw std::logic_error("deflateSetDictionary failed");
}

void Deflater::run(int flush) {
    for (;;) {
        stream_.next_out = buffer_.data();
        stream_.avail_out = static_cast<uInt>(buffer_.size());
        const int status = deflate(&stream_, flush);
        out_.insert(out_.end(), buffer_.data(), buffer_.data() + (buffer_.size() - stream_.avail_out));
        if (status == Z_STREAM_END) return;
        if (status != Z_OK && status != Z_BUF_ERROR) throw std::logic_error("deflate failed");
        if (flush != Z_FINISH && stream_.avail_in == 0 && stream_.avail_out != 0) return;
    }
}

void Deflater::compress(const std::uint8_t* data, std::size_t n, std::vector<std::uint8_t>& out, int level,
                        int strategy) {
    Deflater deflater(out, level, strategy);
    deflater.add(data, n);
    deflater.finish();
}

} // namespace orvane::bytes
