// The off-screen twin of the program: the same gallery, drawn into memory and
// written in one of the formats of formats.h, as one set of files (publish.h
// tells what that promises). All pages are drawn before any file is written.
#pragma once

namespace app {

// Runs `mountain-ranges-export [--length L] [--group-by G] [--font PATH]
// [--format FORMAT] [--paper NAME] [--poster] [OUTPUT_DIR]`. Returns the exit status: 0 when every
// file is written, 1 after a message on stderr, 2 after one that refuses
// the command line.
int run_export(int argc, char** argv);

}  // namespace app
