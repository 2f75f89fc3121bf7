#pragma once

#include <functional>
#include <initializer_list>
#include <string>

namespace tests {

// A byte string from byte values: bytes({0x78, 0x9C}).
std::string bytes(std::initializer_list<int> values);

// The text the program prints after "Error : " for the failure the action
// raises, or "no error" when it returns.
std::string failureText(const std::function<void()>& action);

// Whether a helper thread can be had here: never in the Windows build, which
// converts on one thread.
bool helperThreadsRun();

} // namespace tests
