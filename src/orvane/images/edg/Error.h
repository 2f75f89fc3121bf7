#pragma once

#include <string>

#include "io/Failure.h"

namespace orvane::images::edg {

enum class Error { InvalidFormat, UnsupportedFormat };

// An Error case raised as an exception; it prints as the case's name.
class FormatError : public io::Failure {
public:
    explicit FormatError(Error error) : error_(error) {}
    Error error() const { return error_; }
    std::string text() const override { return error_ == Error::InvalidFormat ? "InvalidFormat" : "UnsupportedFormat"; }

private:
    Error error_;
};

} // namespace orvane::images::edg
