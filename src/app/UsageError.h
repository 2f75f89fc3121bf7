#pragma once

#include <string>
#include <utility>

#include "io/Failure.h"

namespace app {

// A command line that does not fit: its text says what, and names the option.
class UsageError : public io::Failure {
public:
    explicit UsageError(std::string message) : message_(std::move(message)) {}
    std::string text() const override { return message_; }

private:
    std::string message_;
};

} // namespace app
