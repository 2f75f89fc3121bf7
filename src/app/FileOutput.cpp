#include "app/FileOutput.h"

#include <algorithm>
#include <cstring>

#include "io/IoError.h"

namespace app {

FileOutput::FileOutput(std::string targetPath, concurrency::Route route)
    : FileOutput(std::move(targetPath), route, Seams{}) {}

FileOutput::~FileOutput() {
    writer_.reset(); // the buffer in flight is written (or dropped) before the file goes
    discard();
}

void FileOutput::fail() const { throw io::IoError::custom({"file_write", target_}); }

void FileOutput::writeByte(int c) {
    pending_.push_back(static_cast<std::uint8_t>(c));
    if (pending_.size() >= pendingLimit) passOn();
}

std::uint8_t* FileOutput::obtain(std::int32_t n) {
    if (!isOpen()) fail();
    const auto wanted = static_cast<std::size_t>(n);
    if (wanted > pendingLimit) return nullptr;
    if (pending_.size() + wanted > pendingLimit) passOn();
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

void FileOutput::passOn() {
    // A second megabyte makes the output large enough to be worth a thread
    // that copies one buffer into the kernel while the next is filled, where
    // the route has helpers.
    if (!writerTried_) {
        writerTried_ = true;
        auto writer = std::make_unique<BackgroundWriter>(
            [this](const std::uint8_t* data, std::size_t n) { return writeAllToFile(data, n); });
        if (writer->start(route_)) writer_ = std::move(writer);
    }
    if (!writer_) {
        writeToFile(pending_.data(), pending_.size());
        pending_.resize(0);
        return;
    }
    if (!writer_->handOver(pending_)) fail();
    reservePending(pendingLimit);
}

void FileOutput::flush() {
    if (writer_) {
        if (!pending_.empty() && !writer_->handOver(pending_)) fail();
        if (!writer_->finish()) fail();
        return;
    }
    writeToFile(pending_.data(), pending_.size());
    pending_.resize(0);
}

void FileOutput::writeToFile(const std::uint8_t* data, std::size_t n) {
    if (!writeAllToFile(data, n)) fail();
}

void FileOutput::close() {
    if (!isOpen()) return;
    flush();
    closeFile();
}

void FileOutput::expectLength(std::int64_t n) {
    if (n <= 0) return;
    reservePending(static_cast<std::size_t>(n));
    allocateBlocks(n);
}

// A small output's buffer stays as small as the output: buffers of a
// megabyte are mapped on their own, which a batch of small files would pay
// for file after file.
void FileOutput::reservePending(std::size_t expected) { pending_.reserve(std::min(expected, pendingLimit)); }

} // namespace app
