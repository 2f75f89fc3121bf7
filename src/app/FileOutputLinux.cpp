#include "app/FileOutput.h"

#include <array>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/TemporaryName.h"
#include "app/TerminatingSignals.h"
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
bool procFdAvailable() {
    static const bool available = ::access("/proc/self/fd", X_OK) == 0;
    return available;
}

std::string fdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// The temporary file's name while it has one, for the signal handler: the
// one slot of global state, since a handler reaches nothing else. One slot
// is enough because one output is pending at a time (the files of a run are
// converted one after another, and a FileOutput is discarded or committed
// before the next is made). A fixed buffer, since the handler may only read
// memory and call async-signal-safe functions. The name changes only while
// these signals are blocked, so the handler sees either no name or a whole
// one.
std::array<char, 8192> pendingName{};
volatile std::sig_atomic_t pendingNamed = 0;

class SignalsBlocked {
public:
    SignalsBlocked() { ::sigprocmask(SIG_BLOCK, &TerminatingSignals::set(), &previous_); }
    ~SignalsBlocked() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t previous_;
};

void (*prepareForNames)() = nullptr;

// Call with the signals blocked.
void rememberPendingName(const std::string& name) {
    if (prepareForNames != nullptr) {
        prepareForNames();
        prepareForNames = nullptr;
    }
    if (name.size() >= pendingName.size()) return; // longer than any path the system accepts
    std::memcpy(pendingName.data(), name.c_str(), name.size() + 1);
    pendingNamed = 1;
}

void forgetPendingName() { pendingNamed = 0; }

// The permission bits the new file takes: those of the output it replaces,
// or those of a new file.
mode_t modeFor(const std::string& target) {
    struct stat older {};
    return ::stat(target.c_str(), &older) == 0 ? (older.st_mode & 0777) : newFileMode();
}

// The paths the system takes, their terminating zero counted.
constexpr std::size_t longestPath = PATH_MAX - 1;

// Names an unnamed file as the named fallback names its own, for the rename
// over an output that already exists; false where it cannot be named.
bool linkUnderTemporaryName(const std::string& unnamed, const std::string& pattern, std::string& named) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = TemporaryName::filled(pattern);
        const SignalsBlocked blocked;
        if (::linkat(AT_FDCWD, unnamed.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            named = std::move(name);
            rememberPendingName(named);
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

int closeWith(const FileOutput::Seams& seams, int fd) { return seams.close != nullptr ? seams.close(fd) : ::close(fd); }

} // namespace

struct FileOutput::PlatformFile {
    int fd = -1;
    bool unnamed = false; // created without a name (O_TMPFILE)
};

void FileOutput::PlatformFileDeleter::operator()(PlatformFile* file) const {
    if (file->fd >= 0) ::close(file->fd);
    delete file;
}

void FileOutput::removePendingTemporary() {
    if (pendingNamed) ::unlink(pendingName.data());
}

void FileOutput::beforeFirstName(void (*prepare)()) { prepareForNames = prepare; }

FileOutput::FileOutput(std::string targetPath, concurrency::Route route, Seams seams)
    : target_(std::move(targetPath)), directory_(directoryOf(target_)), route_(route), seams_(seams),
      file_(new PlatformFile) {
    if (seams_.unnamedFiles && procFdAvailable()) {
        file_->fd = ::open(directory_.empty() ? "." : directory_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        file_->unnamed = file_->fd >= 0;
    }
    if (file_->fd < 0) {
        std::string pattern = TemporaryName::pattern(directory_, target_, longestPath);
        const SignalsBlocked blocked;
        file_->fd = ::mkstemp(pattern.data());
        if (file_->fd < 0) throw io::FileError("file_open", target_);
        temporary_ = std::move(pattern);
        rememberPendingName(temporary_);
    }
}

void FileOutput::allocateBlocks(std::int64_t n) {
    // Only large outputs: for a small one the call costs more than it saves.
    // The size stays as it is (the bytes written set it), so a file system
    // or a size limit that refuses the room changes nothing: the writes then
    // meet the refusal as they would have anyway.
    if (file_ && n >= static_cast<std::int64_t>(pieceLength)) {
        (void)::fallocate(file_->fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(n));
    }
}

void FileOutput::discard() {
    file_.reset();
    if (!temporary_.empty()) {
        const SignalsBlocked blocked;
        ::unlink(temporary_.c_str());
        temporary_.clear();
        forgetPendingName();
    }
}

bool FileOutput::writeAllToFile(const std::uint8_t* data, std::size_t n) {
    const int fd = file_->fd;
    for (std::size_t done = 0; done < n;) {
        const ssize_t k =
            seams_.write != nullptr ? seams_.write(fd, data + done, n - done) : ::write(fd, data + done, n - done);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        done += static_cast<std::size_t>(k);
    }
    return true;
}

void FileOutput::closeFile() {
    const int fd = file_->fd;
    file_->fd = -1;
    file_.reset();
    if (closeWith(seams_, fd) != 0) fail();
}

void FileOutput::commit(const orvane::inflate::Confirmation&) {
    if (!isOpen()) fail();
    flush();
    if (file_->unnamed) {
        const std::string unnamed = fdPath(file_->fd);
        // A new output is named in one step; an older one is replaced by a
        // rename, which is atomic where a link over it is not possible.
        if (::linkat(AT_FDCWD, unnamed.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            // The output is named now, so a failing close must take the name
            // away again: it was new, and a failed run leaves no file.
            const int fd = file_->fd;
            file_->fd = -1;
            file_.reset();
            if (closeWith(seams_, fd) != 0) {
                ::unlink(target_.c_str());
                fail();
            }
            return;
        }
        if (errno != EEXIST) fail();
        if (::fchmod(file_->fd, modeFor(target_)) != 0) fail();
        if (!linkUnderTemporaryName(unnamed, TemporaryName::pattern(directory_, target_, longestPath), temporary_))
            fail();
    } else if (::fchmod(file_->fd, modeFor(target_)) != 0) {
        fail();
    }
    close();
    const SignalsBlocked blocked;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) fail();
    temporary_.clear();
    forgetPendingName();
}

} // namespace app
