// The ranges as text, for reading and for other programs.
#pragma once

#include <cstdio>

namespace app {

// Prints every range of `length` strokes (an even number from 2 to 64) on
// `out`, a line each in gallery order (groups from the most mountains down,
// stored order within a group): the number of mountains, a space, and the
// range as a word of U and D. Holds nothing but a 64 kB buffer. Returns the
// exit status: 0, or 1 after a message on stderr when `out` fails.
int print_listing(int length, std::FILE* out);

// Prints the number of ranges of `length` strokes (an even number from 2 to
// 64) in each group on `out`, a line each from the most mountains down: the
// number of mountains, a space, and the count. Returns the exit status as
// print_listing does.
int print_counts(int length, std::FILE* out);

}  // namespace app
