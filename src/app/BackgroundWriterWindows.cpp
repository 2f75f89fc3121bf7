#include "app/BackgroundWriter.h"

namespace app {

// Windows writes on the converting thread.
bool BackgroundWriter::start() { return false; }

BackgroundWriter::~BackgroundWriter() = default;

} // namespace app
