#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <zlib.h>

namespace orvane::bytes {

// zlib's deflate: bytes added a piece at a time become one zlib stream
// (header, deflate data, Adler-32), appended to a vector.
class Deflater {
public:
    // A raw deflater makes deflate data alone, without zlib's header and
    // check value. zlib allocates all it needs here, nothing later.
    explicit Deflater(std::vector<std::uint8_t>& out, int level, int strategy = Z_DEFAULT_STRATEGY, bool raw = false);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    void add(const std::uint8_t* data, std::size_t n);
    void finish();
    // Ends the data so far on a byte boundary, the stream left open.
    void flush();
    // The bytes a raw deflater's data may refer back to.
    void prime(const std::uint8_t* data, std::size_t n);
    // The Adler-32 of what a zlib stream has taken so far.
    uLong adler() const { return stream_.adler; }

    // The zlib stream of n bytes, appended to out.
    static void compress(const std::uint8_t* data, std::size_t n, std::vector<std::uint8_t>& out, int level,
                         int strategy = Z_DEFAULT_STRATEGY);

private:
    void run(int flush);

    std::vector<std::uint8_t>& out_;
    std::vector<std::uint8_t> buffer_; // what one call of deflate makes
    z_stream stream_{};
};

} // namespace orvane::bytes
