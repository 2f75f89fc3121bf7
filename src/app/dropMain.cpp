#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/Console.h"
#include "app/Drop.h"
#include "app/FileOutput.h"
#include "app/Heap.h"

// tomel-drop.exe: the program Explorer starts with the files dropped on it.
// Explorer starts it directly (CreateProcess, not cmd.exe), so every name
// arrives as it is, whatever characters it holds. Its window stays open for
// a key only where it is its own (started from Explorer), not when it runs
// in a console window of the user's.
int main(int argc, char** argv) {
    app::Heap::mapLargeBlocksApart();
    app::Console console = app::Console::prepare();
    app::FileOutput::removeTemporaryOnInterrupt();
    app::FileOutput::failWritesPastSizeLimit();
    const std::vector<std::string> paths = app::CommandLine::arguments(argc, argv);
    const int status = app::Drop::convertEach(paths, console);
    if (console.ownsWindow()) console.waitForKey();
    return status;
}
