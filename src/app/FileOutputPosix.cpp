#include "app/FileOutput.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "io/FileError.h"

namespace app {

namespace {

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// 0666 less the umask, the mode a newly created file gets.
mode_t newFileMode() {
    static const mode_t mode = [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return 0666 & ~mask;
    }();
    return mode;
}

// A file without a name is given one through its /proc/self/fd link.
bool canNameUnnamedFiles() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

std::string fdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

} // namespace

FileOutput::FileOutput(std::string targetPath) : target_(std::move(targetPath)), directory_(directoryOf(target_)) {
    if (canNameUnnamedFiles()) {
        fd_ = ::open(directory_.empty() ? "." : directory_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        unnamed_ = fd_ >= 0;
    }
    if (fd_ < 0) {
        std::string pattern = directory_ + ".tomel-XXXXXX";
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0) throw io::FileError("file_open", target_);
        temporary_ = std::move(pattern);
    }
    reservePending();
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

bool FileOutput::isOpen() const { return fd_ >= 0; }

void FileOutput::writeToFile(const std::uint8_t* data, std::size_t n) {
    for (std::size_t done = 0; done < n;) {
        const ssize_t k = ::write(fd_, data + done, n - done);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) fail();
        done += static_cast<std::size_t>(k);
    }
}

void FileOutput::closeFile() {
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail();
}

// Names an unnamed file ".tomel-PID-N" beside the target, for the rename over
// an output that already exists.
void FileOutput::linkUnderTemporaryName() {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = directory_ + ".tomel-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        if (::linkat(AT_FDCWD, fdPath(fd_).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = std::move(name);
            return;
        }
        if (errno != EEXIST) fail();
    }
    fail();
}

void FileOutput::commit() {
    if (fd_ < 0) fail();
    flush();
    if (unnamed_) {
        // A new output is named in one step; an older one is replaced by a
        // rename, which is atomic where a link over it is not possible.
        if (::linkat(AT_FDCWD, fdPath(fd_).c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            close();
            return;
        }
        if (errno != EEXIST) fail();
        linkUnderTemporaryName();
    } else if (::fchmod(fd_, newFileMode()) != 0) {
        fail();
    }
    close();
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) fail();
    temporary_.clear();
}

} // namespace app
