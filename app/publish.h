// Putting the files of an export in place as one set.
//
// Each new file is written and synced to the disk under a temporary name in
// the folder, and each older page it replaces is kept under another: a second
// hard link, or where the file system has none (FAT) a synced copy. Then each
// new file is renamed over its name, which replaces the older page in one
// step, the older pages beyond the new set are renamed aside, the kept ones
// go, and the folder is synced (where it can be read). So at every instant,
// through SIGKILL or a power cut too, every name that the old and the new set
// share holds a whole file of one or the other, and a set reported written is
// on the disk.
// Should a step fail (a full disk, a file-size limit, a folder under a file's
// name), the kept pages are renamed back and the temporary files go: the
// folder holds what it held before. SIGINT, SIGTERM and SIGHUP are held off
// meanwhile: one that comes before the first rename ends the program with the
// folder as it was, one that comes later once the new set is in place, each
// after a line on stderr that says which set the folder holds.
//
// Only files that bear the mark (mark.h) and are unchanged since it was
// sealed are replaced or removed: a file without the mark under a new file's
// name, a file of ours changed since it was written, or one that cannot be
// read stops the set before anything changes. Every temporary name starts with
// ".mountain-ranges-export-", which no page shares; an export that succeeds
// removes those that a killed one left, where it can list the folder. Two
// exports into one folder at once are not supported: one may remove the
// other's temporary files.
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
// in place in `folder` and removes the files at `older` that bear the mark,
// all or nothing, as above. Returns the number of older files removed, or -1
// with the folder as it was and the cause in `error` when a path holds a file
// that is not ours or that cannot be read, or a step fails.
long publish_set(const std::string& folder, const std::vector<SetFile>& files, const std::vector<std::string>& older,
                 MarkPlace mark, std::string& error);

}  // namespace app
