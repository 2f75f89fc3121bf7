#include "app/TerminalText.h"

#include <cstdio>

namespace app {

std::string TerminalText::shown(const std::string& bytes, bool terminal) {
    if (!terminal) return bytes;
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const auto byte = static_cast<unsigned char>(c);
        // U+0080 to U+009F in UTF-8: the controls some terminals act on too.
        const bool c1Control =
            byte == 0xC2 && i + 1 < bytes.size() && (static_cast<unsigned char>(bytes[i + 1]) & 0xE0) == 0x80;
        if (byte >= 0x20 && byte != 0x7F && !c1Control) {
            text += c;
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\t') {
            text += "\\t";
        } else if (c == '\r') {
            text += "\\r";
        } else {
            char escaped[16];
            if (c1Control) {
                std::snprintf(escaped, sizeof escaped, "\\x%02x\\x%02x", byte, static_cast<unsigned char>(bytes[++i]));
            } else {
                std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            }
            text += escaped;
        }
    }
    return text;
}

} // namespace app
