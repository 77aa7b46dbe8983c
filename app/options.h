// What both programs share on their command lines: the length option, the
// version, and how a bad argument is refused.
#pragma once

#include <string>

#include "ranges/ranges.h"

namespace app {

constexpr int exit_usage = 2;  // bad command-line input, as Debian's tools do

// Prints `usage` for --help (or -h) and "PROGRAM VERSION" for --version.
// Returns true when `arg` was one of them, and the program is done.
bool answered_help_or_version(const std::string& arg, const char* program, const char* usage);

// The length that `text` names: an even number from 2 to `longest` in plain
// decimal digits; 0 for anything else.
int parse_length(const std::string& text, int longest = ranges::range_length);

// Takes the value of option `name` at argv[i], given as "NAME VALUE" (moving i
// on) or "NAME=VALUE". Returns false if argv[i] is not that option; sets
// `missing` when the option is there without a value.
bool take_option(const std::string& name, int argc, char** argv, int& i, std::string& value, bool& missing);

// Takes --length at argv[i] as take_option does, up to `longest`. Returns false
// if argv[i] is not that option; sets `length`, or to 0 with the refusal in `error`.
bool take_length(int argc, char** argv, int& i, int& length, std::string& error,
                 int longest = ranges::range_length);

// Prints "PROGRAM: MESSAGE (see --help)" on stderr and returns exit_usage.
int refuse(const char* program, const std::string& message);

}  // namespace app
