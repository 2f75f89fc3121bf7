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
    explicit Deflater(std::vector<std::uint8_t>& out, int level, int strategy = Z_DEFAULT_STRATEGY);
    ~Deflater();
    Deflater(const Deflater&) = delete;
    Deflater& operator=(const Deflater&) = delete;

    void add(const std::uint8_t* data, std::size_t n);
    void finish();

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
