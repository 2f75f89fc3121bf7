#include "app/FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "io/BytesBuffer.h"
#include "io/FileError.h"

namespace app {

FileSystem::Kind FileSystem::kind(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return errno == ENOENT || errno == ENOTDIR ? Kind::Missing : Kind::Unreadable;
    return S_ISDIR(info.st_mode) ? Kind::Directory : Kind::File;
}

bool FileSystem::aliases(const std::string& first, const std::string& second) {
    struct stat a {
    }, b{}, firstLink{}, secondLink{};
    if (::stat(first.c_str(), &a) != 0 || ::stat(second.c_str(), &b) != 0) return false;
    if (a.st_dev != b.st_dev || a.st_ino != b.st_ino) return false;
    return (::lstat(first.c_str(), &firstLink) == 0 && S_ISLNK(firstLink.st_mode)) ||
           (::lstat(second.c_str(), &secondLink) == 0 && S_ISLNK(secondLink.st_mode));
}

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

io::Bytes FileSystem::getBytes(const std::string& path) {
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) throw io::FileError("file_contents", path);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) throw io::FileError("file_contents", path);
    // A Bytes holds at most 2147483647 bytes.
    constexpr auto maxLength = std::numeric_limits<std::int32_t>::max();
    if (info.st_size > maxLength) throw io::FileError("file_contents", path);

    io::BytesBuffer collected;
    collected.reserve(info.st_size > 0 ? info.st_size : 65536);
    for (;;) {
        // Read up to the size fstat gave, then until the end (the file may be
        // a pipe or may have grown).
        const std::int64_t room = collected.length() < info.st_size ? info.st_size - collected.length() : 65536;
        if (collected.length() + room > maxLength) throw io::FileError("file_contents", path);
        const auto want = static_cast<std::int32_t>(room);
        std::uint8_t* dst = collected.extend(want);
        ssize_t k;
        do {
            k = ::read(file.get(), dst, static_cast<std::size_t>(want));
        } while (k < 0 && errno == EINTR);
        if (k < 0) throw io::FileError("file_contents", path);
        collected.truncate(collected.length() - want + static_cast<std::int32_t>(k));
        if (k == 0) break;
        // A regular file read to the size it had is complete.
        if (S_ISREG(info.st_mode) && info.st_size > 0 && collected.length() == info.st_size) break;
    }
    return collected.getBytes();
}

std::string FileSystem::nameOf(const std::string& path) {
    const auto separator = path.find_last_of("/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

} // namespace app
