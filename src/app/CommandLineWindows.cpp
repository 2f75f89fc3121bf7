#include "app/CommandLine.h"

#include <windows.h>

#include "app/Wildcards.h"

namespace app {

namespace {

// Paths are byte strings in the process's code page, UTF-8 where the
// manifest is honoured, as the file functions the program calls take them.
std::wstring wide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
    return out;
}

std::string narrow(const wchar_t* text) {
    const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return std::string();
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), length, nullptr, nullptr);
    out.pop_back(); // the terminating zero
    return out;
}

std::vector<std::string> listFiles(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const HANDLE search = FindFirstFileExW(wide(directory + "*").c_str(), FindExInfoBasic, &found,
                                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        // Directories, "." and ".." among them, are never matched.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(narrow(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

} // namespace

std::vector<std::string> CommandLine::arguments(int, char**) {
    // The C runtime's own split knows backslash escapes; this program's does not.
    return Wildcards::expand(tokens(GetCommandLineA()), listFiles);
}

} // namespace app
