#include "app/FileOutput.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    SignalsBlocked() {
        sigset_t blocked;
        sigemptyset(&blocked);
        for (const int signal : terminatingSignals) sigaddset(&blocked, signal);
        ::sigprocmask(SIG_BLOCK, &blocked, &previous_);
    }
    ~SignalsBlocked() { ::sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsBlocked(const SignalsBlocked&) = delete;
    SignalsBlocked& operator=(const SignalsBlocked&) = delete;

private:
    sigset_t previous_;
};

// The name of a temporary output that must be named: ".NAME.tomel-XXXXXX"
// beside the output NAME, so that one a run killed outright left behind
// says what it is; ".tomel-XXXXXX" where that would be too long a name.
std::string temporaryPattern(const std::string& directory, const std::string& target) {
    const std::string name = target.substr(directory.size());
    const std::string pattern = "." + name + ".tomel-XXXXXX";
    return directory + (pattern.size() <= 255 ? pattern : ".tomel-XXXXXX");
}

// Call with the signals blocked.
void rememberPendingName(const std::string& name) {
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

} // namespace

void FileOutput::removePendingTemporary() {
    if (pendingNamed) ::unlink(pendingName.data());
}

bool FileOutput::unnamedFilesUsable() const { return seams_.unnamedFiles && procFdAvailable(); }

int FileOutput::closeFd(int fd) const { return seams_.close != nullptr ? seams_.close(fd) : ::close(fd); }

FileOutput::FileOutput(std::string targetPath, concurrency::Route route, Seams seams)
    : target_(std::move(targetPath)), directory_(directoryOf(target_)), route_(route), seams_(seams) {
    if (unnamedFilesUsable()) {
        fd_ = ::open(directory_.empty() ? "." : directory_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        unnamed_ = fd_ >= 0;
    }
    if (fd_ < 0) {
        std::string pattern = temporaryPattern(directory_, target_);
        const SignalsBlocked blocked;
        fd_ = ::mkstemp(pattern.data());
        if (fd_ < 0) throw io::FileError("file_open", target_);
        temporary_ = std::move(pattern);
        rememberPendingName(temporary_);
    }
}

void FileOutput::allocateBlocks(std::int64_t n) {
    // Only large outputs: for a small one the call costs more than it saves.
    // The size stays as it is (the bytes written set it), so a file system
    // or a size limit that refuses the room changes nothing: the writes then
    // meet the refusal as they would have anyway.
    if (fd_ >= 0 && n >= static_cast<std::int64_t>(pieceLength)) {
        (void)::fallocate(fd_, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(n));
    }
}

void FileOutput::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        const SignalsBlocked blocked;
        ::unlink(temporary_.c_str());
        temporary_.clear();
        forgetPendingName();
    }
}

bool FileOutput::isOpen() const { return fd_ >= 0; }

bool FileOutput::writeAllToFile(const std::uint8_t* data, std::size_t n) {
    for (std::size_t done = 0; done < n;) {
        const ssize_t k =
            seams_.write != nullptr ? seams_.write(fd_, data + done, n - done) : ::write(fd_, data + done, n - done);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        done += static_cast<std::size_t>(k);
    }
    return true;
}

void FileOutput::closeFile() {
    const int fd = fd_;
    fd_ = -1;
    if (closeFd(fd) != 0) fail();
}

// Names an unnamed file ".tomel-PID-N" beside the target, for the rename over
// an output that already exists.
void FileOutput::linkUnderTemporaryName() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = directory_ + ".tomel-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        const SignalsBlocked blocked;
        if (::linkat(AT_FDCWD, fdPath(fd_).c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            temporary_ = std::move(name);
            rememberPendingName(temporary_);
            return;
        }
        if (errno != EEXIST) fail();
    }
    fail();
}

void FileOutput::commit(const orvane::inflate::Confirmation&) {
    if (fd_ < 0) fail();
    flush();
    if (unnamed_) {
        // A new output is named in one step; an older one is replaced by a
        // rename, which is atomic where a link over it is not possible.
        if (::linkat(AT_FDCWD, fdPath(fd_).c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            // The output is named now, so a failing close must take the name
            // away again: it was new, and a failed run leaves no file.
            const int fd = fd_;
            fd_ = -1;
            if (closeFd(fd) != 0) {
                ::unlink(target_.c_str());
                fail();
            }
            return;
        }
        if (errno != EEXIST) fail();
        if (::fchmod(fd_, modeFor(target_)) != 0) fail();
        linkUnderTemporaryName();
    } else if (::fchmod(fd_, modeFor(target_)) != 0) {
        fail();
    }
    close();
    const SignalsBlocked blocked;
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) fail();
    temporary_.clear();
    forgetPendingName();
}

} // namespace app
