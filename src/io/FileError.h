#pragma once

#include <string>
#include <utility>

#include "io/Failure.h"

namespace io {

// A failure of the file layer: the operation's name and the path, printed as
// the two-element list "[file_open,cat.psd]".
class FileError : public Failure {
public:
    FileError(std::string operation, std::string path) : operation_(std::move(operation)), path_(std::move(path)) {}
    std::string text() const override { return "[" + operation_ + "," + path_ + "]"; }
    const std::string& operation() const { return operation_; }
    const std::string& path() const { return path_; }

private:
    std::string operation_;
    std::string path_;
};

} // namespace io
