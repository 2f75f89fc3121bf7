#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

namespace io {

// A growable array of bytes. New bytes are left uninitialised (buffers that
// are about to be overwritten are not cleared first). It lives on the heap:
// the allocator maps large blocks on their own and grows them by moving
// their pages (app::Heap::mapLargeBlocksApart sets from what size).
class ByteArray {
public:
    ByteArray() = default;
    ByteArray(std::size_t count, std::uint8_t value);
    template <typename Iterator>
    ByteArray(Iterator first, Iterator last) {
        reserve(static_cast<std::size_t>(std::distance(first, last)));
        for (; first != last; ++first) data_[size_++] = static_cast<std::uint8_t>(*first);
    }
    // Takes over a block of `size` bytes from malloc: its owner fills it
    // first (the browser's page, with a file's bytes), and no copy is made.
    static ByteArray adopt(std::uint8_t* data, std::size_t size) noexcept {
        ByteArray adopted;
        adopted.data_ = data;
        adopted.size_ = adopted.capacity_ = size;
        return adopted;
    }
    ByteArray(ByteArray&& other) noexcept;
    ByteArray& operator=(ByteArray&& other) noexcept;
    ByteArray(const ByteArray&) = delete;
    ByteArray& operator=(const ByteArray&) = delete;
    ~ByteArray();

    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    std::uint8_t* data() { return data_; }
    const std::uint8_t* data() const { return data_; }
    std::uint8_t& operator[](std::size_t i) { return data_[i]; }
    std::uint8_t operator[](std::size_t i) const { return data_[i]; }

    // Storage for at least n bytes; raises std::bad_alloc when there is none.
    void reserve(std::size_t n);
    // New bytes are uninitialised; the storage grows geometrically.
    void resize(std::size_t n) {
        if (n > capacity_) reserve(n > 2 * capacity_ ? n : 2 * capacity_);
        size_ = n;
    }
    void swap(ByteArray& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }
    void push_back(std::uint8_t c) {
        if (size_ == capacity_) reserve(capacity_ < 64 ? 64 : capacity_ * 2);
        data_[size_++] = c;
    }

private:
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace io
