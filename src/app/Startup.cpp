#include "app/Startup.h"

#include "app/FileOutput.h"
#include "app/Heap.h"
#include "orvane/simd/CpuFeatures.h"

namespace app {

Console Startup::prepare() {
    Heap::mapLargeBlocksApart();
    Console console = Console::prepare();
    FileOutput::beforeFirstName(&removeTemporaryOnInterrupt);
    failWritesPastSizeLimit();
    return console;
}

void Startup::checkCpuLevel() { (void)orvane::simd::CpuFeatures::level(); }

} // namespace app
