#pragma once

#include <exception>
#include <string>

namespace io {

// Base of every error the program raises on purpose. Each failure knows the
// text the top-level handler prints after "Error : ".
class Failure : public std::exception {
public:
    virtual std::string text() const = 0;
    const char* what() const noexcept override { return "tomel failure"; }
};

} // namespace io
