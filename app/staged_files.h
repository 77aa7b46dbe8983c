// A set of files written under temporary names beside their final ones and
// put in place together, so a folder holds either the whole new set or what
// it held before. Interrupted by SIGINT, SIGTERM or SIGHUP, the process
// removes the files it staged and then dies of the signal as usual.
#pragma once

#include <string>
#include <vector>

namespace staging {

// Creates an empty temporary file beside `final_path`, with the mode any new
// file gets, and returns its descriptor; on failure returns -1 and puts the
// cause in `error`. The file is removed if the process is interrupted.
int stage_file(const std::string& final_path, std::string& error);

// Renames every staged file to its final path and removes the files `stale`,
// with the interrupting signals held off meanwhile. Each file it replaces or
// removes is kept aside as a hard link until all is done, so on failure every
// one is put back: the folder holds what it held before, the staged files are
// removed, `error` says why, and it returns false.
bool publish_staged_files(const std::vector<std::string>& stale, std::string& error);

// Removes every staged file.
void discard_staged_files();

}  // namespace staging
