#pragma once

#include <string>
#include <vector>

#include "io/Failure.h"

namespace io {

// Stream errors. Custom carries a list value, raised only by the file output
// stream when a write fails; it prints as "Custom([file_write,OUT])".
class IoError : public Failure {
public:
    enum class Kind { Blocked, Overflow, OutsideBounds, Custom };

    explicit IoError(Kind kind) : kind_(kind) {}
    static IoError custom(std::vector<std::string> value);

    Kind kind() const { return kind_; }
    const std::vector<std::string>& customValue() const { return custom_; }
    std::string text() const override;

    static IoError blocked() { return IoError(Kind::Blocked); }
    static IoError overflow() { return IoError(Kind::Overflow); }
    static IoError outsideBounds() { return IoError(Kind::OutsideBounds); }

private:
    Kind kind_;
    std::vector<std::string> custom_;
};

} // namespace io
