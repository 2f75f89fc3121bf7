#include "app/FileOutput.h"

#include "io/IoError.h"

namespace app {

FileOutput::FileOutput(std::string targetPath, concurrency::Route route)
    : FileOutput(std::move(targetPath), route, Seams{}) {}

FileOutput::~FileOutput() {
    writer_.reset(); // the buffer in flight is written (or dropped) before the file goes
    discard();
}

void FileOutput::fail() const { throw io::IoError::custom({"file_write", target_}); }

bool FileOutput::isOpen() const { return file_ != nullptr; }

void FileOutput::checkOpen() {
    if (!isOpen()) fail();
}

void FileOutput::passOnAlong(const std::uint8_t* data, std::size_t n) {
    flush();
    writeToFile(data, n);
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
        writeToFile(pending().data(), pending().size());
        pending().resize(0);
        return;
    }
    if (!writer_->handOver(pending())) fail();
    reservePending(pieceLength);
}

void FileOutput::flush() {
    if (writer_) {
        if (!pending().empty() && !writer_->handOver(pending())) fail();
        if (!writer_->finish()) fail();
        return;
    }
    writeToFile(pending().data(), pending().size());
    pending().resize(0);
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

} // namespace app
