#pragma once

#include <cstdint>
#include <string>

#include "io/Output.h"

namespace app {

// A file sink that never leaves a half-written output: bytes go to a new
// temporary file beside the target, and commit() renames it over the target.
// Until then (or on any failure) the target is untouched, and a FileOutput
// destroyed without a commit removes its temporary file.
class FileOutput final : public io::Output {
public:
    explicit FileOutput(std::string targetPath);
    ~FileOutput() override;
    FileOutput(const FileOutput&) = delete;
    FileOutput& operator=(const FileOutput&) = delete;

    void writeByte(int c) override;
    void close() override;
    // Flushes, closes, gives the file the mode of a newly created one and
    // renames it over the target.
    void commit();

protected:
    std::int32_t writeRaw(const std::uint8_t* data, std::int32_t n) override;

private:
    [[noreturn]] void fail() const;
    void flush();
    void discard();

    std::string target_;
    std::string temporary_;
    int fd_ = -1;
    std::string pending_;
};

} // namespace app
