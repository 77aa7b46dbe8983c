// What both programs share on their command lines: the length option, the
// version, and how a bad argument is refused.
#pragma once

#include <string>

namespace app {

constexpr int exit_usage = 2;  // bad command-line input, as Debian's tools do

// "NAME VERSION", the line --version prints.
std::string version_line(const char* name);

// The length that `text` names: an even number from 2 to 16 in plain decimal
// digits; 0 for anything else.
int parse_length(const std::string& text);

// The sentence naming the lengths --length takes, for messages.
std::string allowed_lengths();

// Takes the value of option `name` at argv[i], given as "NAME VALUE" (moving i
// on) or "NAME=VALUE". Returns false if argv[i] is not that option; sets
// `missing` when the option is there without a value.
bool take_option(const std::string& name, int argc, char** argv, int& i, std::string& value, bool& missing);

// Prints "PROGRAM: MESSAGE (see --help)" on stderr and returns exit_usage.
int refuse(const char* program, const std::string& message);

}  // namespace app
