#include "app/PcreRegex.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <memory>

#include "io/MessageError.h"

namespace app {

PcreRegex::PcreRegex(const std::string& pattern) {
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    code_ = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()), pattern.size(), 0, &errorCode, &errorOffset,
                          nullptr);
    if (code_ == nullptr) throw io::MessageError("Invalid regular expression");
}

PcreRegex::~PcreRegex() { pcre2_code_free(code_); }

std::string PcreRegex::replaceFirst(const std::string& subject, const std::string& replacement) const {
    std::unique_ptr<pcre2_match_data, decltype(&pcre2_match_data_free)> match(
        pcre2_match_data_create_from_pattern(code_, nullptr), &pcre2_match_data_free);
    if (!match) throw std::bad_alloc();
    const int rc =
        pcre2_match(code_, reinterpret_cast<PCRE2_SPTR>(subject.data()), subject.size(), 0, 0, match.get(), nullptr);
    if (rc < 0) return subject; // no match (or a match limit hit): nothing replaced
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(match.get());
    return subject.substr(0, ovector[0]) + replacement + subject.substr(ovector[1]);
}

} // namespace app
