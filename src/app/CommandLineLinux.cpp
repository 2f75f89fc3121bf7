#include "app/CommandLine.h"

namespace app {

std::vector<std::string> CommandLine::arguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

} // namespace app
