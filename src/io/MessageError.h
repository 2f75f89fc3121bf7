#pragma once

#include <string>
#include <utility>

#include "io/Failure.h"

namespace io {

// An error that is a plain message string ("File not found", "Invalid data").
class MessageError : public Failure {
public:
    explicit MessageError(std::string message) : message_(std::move(message)) {}
    std::string text() const override { return message_; }
    const std::string& message() const { return message_; }

private:
    std::string message_;
};

} // namespace io
