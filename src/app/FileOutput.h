#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/BackgroundWriter.h"
#include "concurrency/Route.h"
#include "io/PieceOutput.h"
#include "orvane/inflate/Confirmation.h"

namespace app {

// A file sink that never leaves a half-written output: bytes go to a new
// file beside the target that has no name yet (or a temporary name where the
// file system cannot do that), and commit() gives it the target's name in
// one step. Until then, or on any failure, the target is untouched, and a
// FileOutput destroyed without a commit leaves nothing behind. One output is
// pending at a time: the program converts its files one after another.
class FileOutput final : public io::PieceOutput {
public:
    // Failure seams for the tests, taken on Linux: the close call (null: the
    // system's), whether files without a name are used where the system
    // offers them (the named fallback is taken otherwise), and the write call
    // (null: the system's).
    struct Seams {
        int (*close)(int) = nullptr;
        bool unnamedFiles = true;
        long (*write)(int, const void*, std::size_t) = nullptr;
    };

    // On the helped route, an output of more than a megabyte is copied into
    // the kernel on a helper thread while the next megabyte is made, where a
    // thread can be had.
    FileOutput(std::string targetPath, concurrency::Route route);
    FileOutput(std::string targetPath, concurrency::Route route, Seams seams);
    ~FileOutput() override;
    FileOutput(const FileOutput&) = delete;
    FileOutput& operator=(const FileOutput&) = delete;

    // Sizes the pending buffer for the output (at most a megabyte), and
    // allocates the file's blocks at once: the file system then writes into
    // them without finding room page by page.
    void expectLength(std::int64_t n) override;
    void close() override;
    // Flushes, closes and puts the file in place of the target: only with
    // zlib's word that the body it was made of is zlib's.
    void commit(const orvane::inflate::Confirmation& confirmed);

    // For the start-up's interrupt handler (Ctrl-C, SIGTERM, a closed
    // console), just before the process ends: removes the pending output's
    // temporary file, if it has one. Safe in a signal handler. On Windows it
    // keeps the name's lock, so that nothing is created or moved after it.
    // The platform's part.
    static void removePendingTemporary();
    // For the start-up: `prepare` runs once, before a temporary file first
    // takes a name (on Linux, with the terminating signals blocked). Until a
    // file has a name, a signal's own action leaves nothing behind, so a run
    // that never names one need not install the handlers for every signal,
    // which costs a start-up about 3%.
    static void beforeFirstName(void (*prepare)());

private:
    void checkOpen() override;
    // Passes a full piece on: to the writer thread once the output is large.
    void passOn() override;
    // Writes what is pending, then the bytes, straight to the file.
    void passOnAlong(const std::uint8_t* data, std::size_t n) override;

    [[noreturn]] void fail() const;
    // Passes everything on and waits until it is written.
    void flush();
    void writeToFile(const std::uint8_t* data, std::size_t n);
    bool isOpen() const;
    // The platform's part: FileOutputLinux.cpp or FileOutputWindows.cpp.
    // Writes all n bytes; false on failure. Safe on the writer thread.
    bool writeAllToFile(const std::uint8_t* data, std::size_t n);
    void closeFile();
    void discard();
    // The platform's part of expectLength: the file's blocks.
    void allocateBlocks(std::int64_t n);

    // The open file, as the platform holds it (FileOutputLinux.cpp,
    // FileOutputWindows.cpp); null once closed.
    struct PlatformFile;
    struct PlatformFileDeleter {
        void operator()(PlatformFile* file) const;
    };

    std::string target_;
    std::string directory_;
    std::string temporary_; // the file's temporary name, when it has one
    std::unique_ptr<BackgroundWriter> writer_;
    concurrency::Route route_;
    Seams seams_;
    bool writerTried_ = false;
    std::unique_ptr<PlatformFile, PlatformFileDeleter> file_;
};

} // namespace app
