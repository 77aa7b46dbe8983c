// The off-screen twin of the program: the same gallery, drawn into memory and
// written as one PNG per page.
#pragma once

namespace app {

// Runs `mountain-ranges-export [--font PATH] [OUTPUT_DIR]`. Returns the exit
// status: 0 when every page is written, 1 after a message on stderr.
int run_export(int argc, char** argv);

}  // namespace app
