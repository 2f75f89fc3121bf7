#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace io {

// The bytes of a small output built in memory, with integers written in
// either byte order.
class ByteVector {
public:
    void u8(unsigned v) { bytes_.push_back(static_cast<std::uint8_t>(v)); }
    void le16(unsigned v) {
        u8(v);
        u8(v >> 8);
    }
    void le32(std::uint32_t v) {
        le16(v & 0xFFFF);
        le16(v >> 16);
    }
    void be16(unsigned v) {
        u8(v >> 8);
        u8(v);
    }
    void be32(std::uint32_t v) {
        be16(v >> 16);
        be16(v & 0xFFFF);
    }
    void append(const std::uint8_t* data, std::size_t n);
    void append(const std::vector<std::uint8_t>& data) { append(data.data(), data.size()); }
    void append(const std::string& text) { append(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()); }
    void zeros(std::size_t n);
    // Overwrites 4 bytes at `at` with v, little-endian.
    void patchLe32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }

    std::size_t size() const { return bytes_.size(); }
    const std::uint8_t* data() const { return bytes_.data(); }
    std::vector<std::uint8_t>& bytes() { return bytes_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace io
