#pragma once

#include <string>

#include "io/Bytes.h"

namespace app {

// The file system as the front end sees it.
class FileSystem {
public:
    static bool exists(const std::string& path);
    static bool isDirectory(const std::string& path);
    // The whole file as bytes; [file_contents,PATH] when it cannot be read.
    static io::Bytes getBytes(const std::string& path);
};

} // namespace app
