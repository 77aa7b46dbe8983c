// A set of files written under temporary names beside their final ones and
// renamed into place together, so a folder holds either the whole new set or
// what it held before. Interrupted by SIGINT, SIGTERM or SIGHUP, the process
// removes the files it staged and then dies of the signal as usual.
#pragma once

#include <string>

namespace staging {

// Creates an empty temporary file beside `final_path`, with the mode any new
// file gets, and returns its descriptor; on failure returns -1 and puts the
// cause in `error`. The file is removed if the process is interrupted.
int stage_file(const std::string& final_path, std::string& error);

// Renames every staged file to its final path, with the interrupting signals
// held off meanwhile. On failure removes the files still staged, puts the
// cause in `error` and returns false.
bool publish_staged_files(std::string& error);

// Removes every staged file.
void discard_staged_files();

}  // namespace staging
