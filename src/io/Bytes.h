#pragma once

#include <cstdint>
#include <string>

#include "io/ByteArray.h"

namespace io {

// A byte buffer of fixed size. Readers keep a reference to it; it is moved,
// not copied, between the steps of a conversion.
class Bytes {
public:
    Bytes() = default;
    explicit Bytes(ByteArray data);

    static Bytes alloc(std::int32_t n);              // n zero bytes
    static Bytes allocUninitialized(std::int32_t n); // n bytes the caller overwrites
    static Bytes ofString(const std::string& s);

    std::int32_t length() const { return static_cast<std::int32_t>(data_.size()); }
    std::uint8_t* data() { return data_.data(); }
    const std::uint8_t* data() const { return data_.data(); }
    std::uint8_t operator[](std::int32_t i) const { return data_[static_cast<std::size_t>(i)]; }
    std::uint8_t& operator[](std::int32_t i) { return data_[static_cast<std::size_t>(i)]; }

    std::string getString(std::int32_t p, std::int32_t n) const;
    std::string toString() const { return std::string(reinterpret_cast<const char*>(data_.data()), data_.size()); }
    void blit(std::int32_t p, const Bytes& src, std::int32_t srcp, std::int32_t n);

private:
    ByteArray data_;
};

// True when [p, p + n) lies inside a buffer of the given length.
inline bool rangeInside(std::int32_t p, std::int32_t n, std::int32_t length) {
    return p >= 0 && n >= 0 && static_cast<std::int64_t>(p) + n <= length;
}

} // namespace io
