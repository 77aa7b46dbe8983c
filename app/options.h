// The command lines of both programs: one option table, read by getopt_long.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "ranges/groups.h"

namespace app {

constexpr int exit_usage = 2;  // bad command-line input, as Debian's tools do

enum class Program { window, exporter };

// What a command line asks for; each program reads the fields it takes.
struct Options {
    int length = 16;
    ranges::Grouping grouping = ranges::Grouping::mountains;
    std::optional<ranges::Grouping> second;  // B of mountain-ranges --count --group-by A,B
    bool list = false;                       // mountain-ranges --list
    bool count = false;                      // mountain-ranges --count
    std::optional<int> value;                // mountain-ranges --value, a value some range of the length has
    std::optional<int> second_value;         // b of --value a,b, with a pair of groupings
    bool browse = false;                     // mountain-ranges --browse
    std::string font;                        // --font, "" for the default one
    std::string format;                      // mountain-ranges-export --format, the first format when not given
    std::string paper;                       // mountain-ranges-export --paper, "" for none
    bool poster = false;                     // mountain-ranges-export --poster
    std::string folder = ".";                // mountain-ranges-export OUTPUT_DIR
};

// A value that --format takes, what --help says of it, and whether --paper
// and --poster go with it.
struct FormatChoice {
    const char* name;
    const char* help;
    bool on_paper;
    bool poster;
};

// Reads the command line of `program` into `options`, with `formats` the
// values --format takes (the first the default) and `papers` those --paper
// takes, in any case. Returns -1 when the program should go on; otherwise
// the exit status, after printing --help or --version (0), a refusal naming
// what is allowed (exit_usage), or a failed write of either (1).
int parse_options(Program program, int argc, char** argv, Options& options,
                  const std::vector<FormatChoice>& formats = {}, const std::vector<std::string>& papers = {});

// Prints `message` as the one line that refuses a command line of `program`,
// and returns exit_usage.
int refuse(Program program, const std::string& message);

// Flushes `out`, standard output to the user. Returns 0, or 1 after one line
// on stderr saying why some output was lost (a full device, a closed pipe).
int finish_output(const char* program, std::FILE* out = stdout);

}  // namespace app
