#include "app/FileOutput.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "io/FileError.h"
#include "io/IoError.h"

namespace app {

namespace {

constexpr std::size_t pendingLimit = 1 << 20;

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

mode_t newFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

FileOutput::FileOutput(std::string targetPath) : target_(std::move(targetPath)) {
    std::string pattern = directoryOf(target_) + ".tomel-XXXXXX";
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0) throw io::FileError("file_open", target_);
    temporary_ = std::move(pattern);
}

FileOutput::~FileOutput() {
    discard();
}

void FileOutput::fail() const {
    throw io::IoError::custom({"file_write", target_});
}

void FileOutput::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

void FileOutput::writeByte(int c) {
    pending_.push_back(static_cast<char>(c));
    if (pending_.size() >= pendingLimit) flush();
}

std::int32_t FileOutput::writeRaw(const std::uint8_t* data, std::int32_t n) {
    if (fd_ < 0) fail();
    if (pending_.size() + static_cast<std::size_t>(n) < pendingLimit) {
        pending_.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(n));
        return n;
    }
    flush();
    std::int32_t done = 0;
    while (done < n) {
        const ssize_t k = ::write(fd_, data + done, static_cast<std::size_t>(n - done));
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) fail();
        done += static_cast<std::int32_t>(k);
    }
    return n;
}

void FileOutput::flush() {
    std::size_t done = 0;
    while (done < pending_.size()) {
        const ssize_t k = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) fail();
        done += static_cast<std::size_t>(k);
    }
    pending_.clear();
}

void FileOutput::close() {
    if (fd_ < 0) return;
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail();
}

void FileOutput::commit() {
    if (fd_ < 0) fail();
    flush();
    if (::fchmod(fd_, newFileMode()) != 0) fail();
    close();
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) fail();
    temporary_.clear();
}

} // namespace app
