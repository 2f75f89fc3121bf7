#include "app/FileSystem.h"

#include <windows.h>

#include <limits>

#include "io/BytesBuffer.h"
#include "io/FileError.h"

namespace app {

FileSystem::Kind FileSystem::kind(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return Kind::Missing;
        default:
            return Kind::Unreadable;
        }
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Kind::Directory : Kind::File;
}

namespace {

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// The volume and file index of what a path reaches (following links).
bool identify(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    const Handle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.get() != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file.get(), &info);
}

bool isLink(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

} // namespace

bool FileSystem::aliases(const std::string& first, const std::string& second) {
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    if (!identify(first, a) || !identify(second, b)) return false;
    if (a.dwVolumeSerialNumber != b.dwVolumeSerialNumber || a.nFileIndexHigh != b.nFileIndexHigh ||
        a.nFileIndexLow != b.nFileIndexLow) {
        return false;
    }
    // Two names of a file with a single link: one of them goes through a
    // symbolic link or junction (Wine shows Unix links that way, without the
    // reparse-point attribute).
    return a.nNumberOfLinks == 1 || isLink(first) || isLink(second);
}

io::Bytes FileSystem::getBytes(const std::string& path) {
    const Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) throw io::FileError("file_contents", path);
    // A Bytes holds at most 2147483647 bytes.
    constexpr auto maxLength = std::numeric_limits<std::int32_t>::max();
    LARGE_INTEGER size{};
    const bool sized = GetFileType(file.get()) == FILE_TYPE_DISK && GetFileSizeEx(file.get(), &size);
    if (sized && size.QuadPart > maxLength) throw io::FileError("file_contents", path);
    const std::int64_t expected = sized ? size.QuadPart : 0;

    io::BytesBuffer collected;
    collected.reserve(expected > 0 ? static_cast<std::int32_t>(expected) : 65536);
    for (;;) {
        // Read up to the size the file had, then until the end (it may be a
        // pipe or may have grown).
        const std::int64_t room = collected.length() < expected ? expected - collected.length() : 65536;
        if (collected.length() + room > maxLength) throw io::FileError("file_contents", path);
        const auto want = static_cast<std::int32_t>(room);
        std::uint8_t* dst = collected.extend(want);
        DWORD got = 0;
        const BOOL ok = ReadFile(file.get(), dst, static_cast<DWORD>(want), &got, nullptr);
        collected.truncate(collected.length() - want + static_cast<std::int32_t>(got));
        if (!ok) {
            if (GetLastError() == ERROR_BROKEN_PIPE) break; // a pipe's writer is done
            throw io::FileError("file_contents", path);
        }
        if (got == 0) break;
        if (expected > 0 && collected.length() == expected) break;
    }
    return collected.getBytes();
}

std::string FileSystem::nameOf(const std::string& path) {
    const auto separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

} // namespace app
