// mountain-ranges: every mountain range of one length, a page per key press.
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
    "  --length L  the length of the ranges: an even number from 2 to 16 (default 16)\n"
    "  --list      print the ranges instead of showing them, one a line: the number\n"
    "              of mountains and the range as a word of U (up) and D (down)\n"
    "  --help      print this help and exit\n"
    "  --version   print the version and exit\n";

}  // namespace

int main(int argc, char** argv)
{
    int length = ranges::range_length;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string error;
        if (app::answered_help_or_version(arg, program, usage))
            return 0;
        if (arg == "--list") {
            list = true;
        } else if (app::take_length(argc, argv, i, length, error)) {
            if (length == 0)
                return app::refuse(program, error);
        } else if (!arg.empty() && arg[0] == '-') {
            return app::refuse(program, "unknown option " + arg);
        } else {
            return app::refuse(program, "unexpected argument \"" + arg + "\"");
        }
    }
    if (list)
        return app::print_listing(ranges::enumerate_ranges(length / 2));
    return app::run_window(length);
}
