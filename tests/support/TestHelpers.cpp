#include "support/TestHelpers.h"

#include "concurrency/Worker.h"
#include "io/Failure.h"

namespace tests {

std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (const int v : values) s.push_back(static_cast<char>(v));
    return s;
}

std::string failureText(const std::function<void()>& action) {
    try {
        action();
    } catch (const io::Failure& failure) {
        return failure.text();
    }
    return "no error";
}

bool helperThreadsRun() {
    concurrency::Worker probe;
    return probe.start(concurrency::Route::Helped, [] {});
}

} // namespace tests
