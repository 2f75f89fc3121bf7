#pragma once

#include <exception>
#include <string>

namespace app {

// The text printed after "Error : " for an error that ended a conversion:
// a failure's own text, "Out of memory", or what any other exception says.
class FailureText {
public:
    static std::string of(const std::exception_ptr& error);
};

} // namespace app
