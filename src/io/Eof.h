#pragma once

#include "io/Failure.h"

namespace io {

// The end-of-data error: a read needed a byte that is not there.
class Eof : public Failure {
public:
    std::string text() const override { return "Eof"; }
};

} // namespace io
