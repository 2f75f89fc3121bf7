#pragma once

#include <string>

struct pcre2_real_code_8;

namespace app {

// A compiled PCRE2 pattern without options, over byte strings (no UTF mode).
class PcreRegex {
public:
    explicit PcreRegex(const std::string& pattern);
    ~PcreRegex();
    PcreRegex(const PcreRegex&) = delete;
    PcreRegex& operator=(const PcreRegex&) = delete;

    // The subject with its first match replaced; unchanged when nothing matches.
    std::string replaceFirst(const std::string& subject, const std::string& replacement) const;

private:
    pcre2_real_code_8* code_;
};

} // namespace app
