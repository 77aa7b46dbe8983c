// mountain-ranges: every mountain range of one length, a page per key press.
#include <algorithm>
#include <cstdio>
#include <string>

#include "SDL.h"  // on some platforms SDL renames main to enter through its own
#include "listing.h"
#include "options.h"
#include "window.h"

namespace {

constexpr const char* program = "mountain-ranges";

constexpr const char* usage =
    "usage: mountain-ranges [--length L] [--list]\n"
    "Shows every mountain range of length L in an 800 x 600 window, grouped by\n"
    "number of mountains, a page per key press; a key on the last page ends it.\n"
    "The title and the captions use the TrueType font \"times.ttf\" from the\n"
    "working directory, else the one installed with the program.\n"
    "\n"
    "  --length L  the length of the ranges: an even number from 2 to 16 (default 16),\n"
    "              up to 64 with --list\n"
    "  --list      print the ranges instead of showing them, one a line: the number\n"
    "              of mountains and the range as a word of U (up) and D (down)\n"
    "  --help      print this help and exit\n"
    "  --version   print the version and exit\n";

}  // namespace

int main(int argc, char** argv)
{
    int length = ranges::range_length;
    // The listing streams, so it takes every length a code holds.
    const bool list = std::find(argv + 1, argv + argc, std::string("--list")) != argv + argc;
    const int longest = list ? ranges::max_code_length : ranges::range_length;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string error;
        if (app::answered_help_or_version(arg, program, usage))
            return 0;
        if (arg == "--list") {
            // Found before the loop: the longest length depends on it.
        } else if (app::take_length(argc, argv, i, length, error, longest)) {
            if (length == 0)
                return app::refuse(program, error);
        } else if (!arg.empty() && arg[0] == '-') {
            return app::refuse(program, "unknown option " + arg);
        } else {
            return app::refuse(program, "unexpected argument \"" + arg + "\"");
        }
    }
    if (list)
        return app::print_listing(length, stdout);
    return app::run_window(length);
}
