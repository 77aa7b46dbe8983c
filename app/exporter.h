// The off-screen twin of the program: the same gallery, drawn into memory and
// written as one PNG per page, or set down as one SVG per page.
#pragma once

namespace app {

// The mark on every file the exporter writes: the program and its version,
// as a PNG's "Software" text, an SVG's first comment, a PDF's Creator. A file
// whose mark names this program, in any version, is one of its pages.
extern const char* const page_writer;

// Runs `mountain-ranges-export [--length L] [--group-by G] [--font PATH]
// [--format png|svg] [OUTPUT_DIR]`. Returns the exit status: 0 when every page is written, 1 after
// a message on stderr, 2 after one that refuses the command line.
int run_export(int argc, char** argv);

}  // namespace app
