// The off-screen twin of the program: the same gallery, drawn into memory and
// written as one PNG per page, or set down as one SVG or TikZ page per file,
// or as one PDF document of every page: a set of one file.
//
// The pages go out as one set. All are drawn before any file is written;
// each is written under a temporary name beside its own, the files it replaces
// and the older pages beyond it (from a longer export) are renamed aside, and
// the new pages are renamed into place. Should a step fail (a full disk, a
// file-size limit, a folder under a page's name), all is put back and the
// temporary files go: the folder holds what it held before. SIGINT, SIGTERM
// and SIGHUP are held off meanwhile, so that one ends the program only once
// the folder holds the whole new set or the old one. Only files bearing
// page_writer's mark are replaced or removed; any other under a page's name
// stops the export before anything changes. SIGKILL or a power cut during the
// renames can leave a mixed set and temporary files: nothing prevents that.
#pragma once

namespace app {

// The mark on every file the exporter writes: the program and its version,
// as a PNG's "Software" text, an SVG's or a TikZ page's first comment, a
// PDF's Creator. A file whose mark names this program, in any version, is
// one of its pages.
extern const char* const page_writer;

// Runs `mountain-ranges-export [--length L] [--group-by G] [--font PATH]
// [--format png|svg|pdf|tikz] [OUTPUT_DIR]`. Returns the exit status: 0 when
// every page is written, 1 after a message on stderr, 2 after one that
// refuses the command line.
int run_export(int argc, char** argv);

}  // namespace app
