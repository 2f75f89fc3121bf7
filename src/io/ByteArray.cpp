#include "io/ByteArray.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace io {

ByteArray::ByteArray(std::size_t count, std::uint8_t value) {
    resize(count);
    if (count > 0) std::memset(data_, value, count);
}

ByteArray::ByteArray(ByteArray&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ByteArray& ByteArray::operator=(ByteArray&& other) noexcept {
    if (this != &other) {
        std::free(data_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

ByteArray::~ByteArray() { std::free(data_); }

void ByteArray::reserve(std::size_t n) {
    if (n <= capacity_) return;
    auto* grown = static_cast<std::uint8_t*>(std::realloc(data_, n));
    if (grown == nullptr) throw std::bad_alloc();
    data_ = grown;
    capacity_ = n;
}

} // namespace io
