// Putting the files of an export in place as one set.
//
// Each new file is written under a temporary name beside its own, the files
// it replaces and the older ones the set no longer holds are renamed aside,
// and the new files are renamed into place. Should a step fail (a full disk,
// a file-size limit, a folder under a file's name), all is put back and the
// temporary files go: the folder holds what it held before. SIGINT, SIGTERM
// and SIGHUP are held off meanwhile, so that one ends the program only once
// the folder holds the whole new set or the old one. Only files bearing
// page_writer's mark are replaced or removed; any other under a new file's
// name stops the set before anything changes. SIGKILL or a power cut during
// the renames can leave a mixed set and temporary files: nothing prevents that.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace app {

// The mark on every file the exporter writes: the program and its version.
// A file whose mark names this program, in any version, is one of its own.
extern const char* const page_writer;

// Where a file carries the mark: as a PNG's "Software" text in the chunk
// after the header, in the comment after an SVG's first line, as the first
// line (a TeX comment), or as a PDF's Creator.
enum class MarkPlace { png_text, svg_comment, first_line, pdf_creator };

// One file of a set: where it goes, and what it holds.
struct SetFile {
    std::string path;
    std::string bytes;
};

// Puts `files` in place and removes the files at `older` that bear the mark,
// all or nothing, as above; every file carries its mark at `mark`. Returns
// the number of older files removed, or -1 with the folders as they were and
// the cause in `error` when a path of `files` holds a file without the mark
// or a step fails.
long publish_set(const std::vector<SetFile>& files, const std::vector<std::string>& older, MarkPlace mark,
                 std::string& error);

}  // namespace app
