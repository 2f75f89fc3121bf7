#include <csignal>

#include "app/Startup.h"

namespace app {

// SIGXFSZ would end the process only where the converting thread itself
// writes; the writer thread blocks it and gets EFBIG. Ignored, every write
// past the limit gets EFBIG.
void Startup::failWritesPastSizeLimit() { ::signal(SIGXFSZ, SIG_IGN); }

} // namespace app
