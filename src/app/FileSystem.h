#pragma once

#include <string>

#include "io/Bytes.h"

namespace app {

// The file system as the front end sees it.
class FileSystem {
public:
    enum class Kind { Missing, Unreadable, Directory, File };
    // What stands at a path (following links): Missing when nothing is there,
    // Unreadable when the path cannot be examined for another reason (no
    // permission, a loop of links, a name too long, ...).
    static Kind kind(const std::string& path);
    // True when both paths reach one file and at least one of them through a
    // symbolic link: replacing the second path's file then replaces what the
    // first one reads. Two hard links are two names, and replacing one leaves
    // the other as it was.
    static bool aliases(const std::string& first, const std::string& second);
    // The whole file as bytes; [file_contents,PATH] when it cannot be read.
    static io::Bytes getBytes(const std::string& path);
    // The last component of a path: what follows the last separator.
    static std::string nameOf(const std::string& path);
};

} // namespace app
