#pragma once

#include <string>

#include "io/Bytes.h"

namespace app {

// The file system as the front end sees it.
class FileSystem {
public:
    enum class Kind { Missing, Directory, File };
    // What stands at a path (following links); Missing when nothing can be found.
    static Kind kind(const std::string& path);
    // The whole file as bytes; [file_contents,PATH] when it cannot be read.
    static io::Bytes getBytes(const std::string& path);
};

} // namespace app
