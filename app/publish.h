// Putting the files of an export in place as one set.
//
// Each new file is written under a temporary name beside its own, the files
// it replaces and the older ones the set no longer holds are renamed aside,
// and the new files are renamed into place. Should a step fail (a full disk,
// a file-size limit, a folder under a file's name), all is put back and the
// temporary files go: the folder holds what it held before. SIGINT, SIGTERM
// and SIGHUP are held off meanwhile, so that one ends the program only once
// the folder holds the whole new set or the old one. Only files that bear the
// mark (mark.h) and are unchanged since it was sealed are replaced or
// removed: a file without the mark under a new file's name, a file of ours
// changed since it was written, or one that cannot be read stops the set
// before anything changes. SIGKILL or a power cut during the renames can
// leave a mixed set and temporary files: nothing prevents that.
#pragma once

#include <string>
#include <vector>

#include "mark.h"

namespace app {

// One file of a set: where it goes, and what it holds.
struct SetFile {
    std::string path;
    std::string bytes;
};

// Seals the marks of `files`, which bear page_writer's at `mark`, puts them
// in place and removes the files at `older` that bear the mark, all or
// nothing, as above. Returns the number of older files removed, or -1 with
// the folders as they were and the cause in `error` when a path holds a file
// that is not ours or that cannot be read, or a step fails.
long publish_set(const std::vector<SetFile>& files, const std::vector<std::string>& older, MarkPlace mark,
                 std::string& error);

}  // namespace app
