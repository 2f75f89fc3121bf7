#include "io/ByteArray.h"

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
      capacity_(std::exchange(other.capacity_, 0)), mapped_(std::exchange(other.mapped_, false)) {}

ByteArray& ByteArray::operator=(ByteArray&& other) noexcept {
    if (this != &other) {
        release(data_, capacity_, mapped_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        mapped_ = std::exchange(other.mapped_, false);
    }
    return *this;
}

ByteArray::~ByteArray() { release(data_, capacity_, mapped_); }

void ByteArray::reserve(std::size_t n) {
    if (n <= capacity_) return;
    std::uint8_t* grown = regrow(data_, size_, capacity_, mapped_, n);
    if (grown == nullptr) throw std::bad_alloc();
    data_ = grown;
    capacity_ = n;
}

} // namespace io
