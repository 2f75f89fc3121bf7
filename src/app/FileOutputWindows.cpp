#include "app/FileOutput.h"

#include <windows.h>

#include <limits>

#include "app/TemporaryName.h"
#include "io/FileError.h"

namespace app {

namespace {

std::string directoryOf(const std::string& path) {
    const auto separator = path.find_last_of("/\\:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// The console handler's slot, the one piece of global state (a handler
// reaches nothing else): the temporary file of the conversion in progress,
// one at a time. The lock is held while the name changes hands (creation,
// the move into place, removal), so Ctrl-C either finds a temporary file and
// removes it, or finds none.
struct PendingTemporary {
    CRITICAL_SECTION lock;
    std::string name;
    PendingTemporary() { InitializeCriticalSection(&lock); }
};

PendingTemporary& pendingTemporary() {
    static PendingTemporary instance;
    return instance;
}

class Locked {
public:
    Locked() { EnterCriticalSection(&pendingTemporary().lock); }
    ~Locked() { LeaveCriticalSection(&pendingTemporary().lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

} // namespace

// The temporary file is removed (it was opened with FILE_SHARE_DELETE, so it
// goes when the process's handles close). The lock is never released, so
// nothing is created or moved before the process ends.
void FileOutput::removePendingTemporary() {
    EnterCriticalSection(&pendingTemporary().lock);
    if (!pendingTemporary().name.empty()) DeleteFileA(pendingTemporary().name.c_str());
}

struct FileOutput::PlatformFile {
    HANDLE handle = nullptr;
};

void FileOutput::PlatformFileDeleter::operator()(PlatformFile* file) const {
    if (file->handle != nullptr) CloseHandle(file->handle);
    delete file;
}

// Every temporary file has a name here: the handlers go in at once.
void FileOutput::beforeFirstName(void (*prepare)()) { prepare(); }

// The seams are taken on Linux only.
FileOutput::FileOutput(std::string targetPath, concurrency::Route route, Seams)
    : target_(std::move(targetPath)), directory_(directoryOf(target_)), route_(route) {
    const std::string pattern = TemporaryName::pattern(directory_, target_, MAX_PATH - 1);
    const Locked locked;
    for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
        std::string name = TemporaryName::filled(pattern);
        HANDLE handle = CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
            break;
        }
        file_.reset(new PlatformFile{handle});
        temporary_ = std::move(name);
        pendingTemporary().name = temporary_;
    }
    if (!file_) throw io::FileError("file_open", target_);
}

// Not measured on Windows (only under Wine): the file grows as it is written.
void FileOutput::allocateBlocks(std::int64_t) {}

void FileOutput::discard() {
    const Locked locked;
    file_.reset();
    if (!temporary_.empty()) {
        DeleteFileA(temporary_.c_str());
        temporary_.clear();
        pendingTemporary().name.clear();
    }
}

bool FileOutput::writeAllToFile(const std::uint8_t* data, std::size_t n) {
    constexpr std::size_t maxChunk = std::numeric_limits<DWORD>::max() / 2;
    for (std::size_t done = 0; done < n;) {
        const DWORD want = static_cast<DWORD>(n - done < maxChunk ? n - done : maxChunk);
        DWORD written = 0;
        if (!WriteFile(file_->handle, data + done, want, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

void FileOutput::closeFile() {
    HANDLE handle = file_->handle;
    file_->handle = nullptr;
    file_.reset();
    if (!CloseHandle(handle)) fail();
}

void FileOutput::commit(const orvane::inflate::Confirmation&) {
    if (!isOpen()) fail();
    close();
    const Locked locked;
    // Replaces an older output in one step; the older one stays as it was
    // if the move fails.
    if (!MoveFileExA(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) fail();
    temporary_.clear();
    pendingTemporary().name.clear();
}

} // namespace app
