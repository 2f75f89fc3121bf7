#include "app/FileOutput.h"

#include <cstring>

#include "io/IoError.h"

namespace app {

namespace {

// Bytes are passed to the file a megabyte at a time.
constexpr std::size_t pendingLimit = 1 << 20;

} // namespace

FileOutput::~FileOutput() { discard(); }

void FileOutput::fail() const { throw io::IoError::custom({"file_write", target_}); }

void FileOutput::writeByte(int c) {
    pending_.push_back(static_cast<std::uint8_t>(c));
    if (pending_.size() >= pendingLimit) flush();
}

std::uint8_t* FileOutput::obtain(std::int32_t n) {
    if (!isOpen()) fail();
    const auto wanted = static_cast<std::size_t>(n);
    if (wanted > pendingLimit) return nullptr;
    if (pending_.size() + wanted > pendingLimit) flush();
    const std::size_t start = pending_.size();
    pending_.resize(start + wanted);
    return pending_.data() + start;
}

std::int32_t FileOutput::writeRaw(const std::uint8_t* data, std::int32_t n) {
    if (!isOpen()) fail();
    if (pending_.size() + static_cast<std::size_t>(n) < pendingLimit) {
        const std::size_t start = pending_.size();
        pending_.resize(start + static_cast<std::size_t>(n));
        std::memcpy(pending_.data() + start, data, static_cast<std::size_t>(n));
        return n;
    }
    flush();
    writeToFile(data, static_cast<std::size_t>(n));
    return n;
}

void FileOutput::flush() {
    writeToFile(pending_.data(), pending_.size());
    pending_.resize(0);
}

void FileOutput::close() {
    if (!isOpen()) return;
    flush();
    closeFile();
}

void FileOutput::reservePending() { pending_.reserve(pendingLimit); }

} // namespace app
