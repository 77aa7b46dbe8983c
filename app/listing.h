// The ranges as text, for reading and for other programs.
#pragma once

#include <cstdio>
#include <optional>

#include "ranges/groups.h"

namespace app {

// Prints every range of `length` strokes (an even number from 2 to 64) on
// `out`, a line each in the gallery's order (its groups in `grouping`,
// flattest first; within a group the order of the gallery by mountains): the
// group's value, a space, and the range as a word of U and D; only those of
// the group of `value` when it is given. Holds nothing but a 64 kB buffer.
// Returns the exit status: 0, or 1 after a message on stderr when `out` fails.
int print_listing(int length, ranges::Grouping grouping, std::FILE* out, std::optional<int> value = std::nullopt);

// Prints the number of ranges of `length` strokes (an even number from 2 to
// 64) in each group of `grouping` on `out`, a line each, flattest first (only
// the group of `value` when it is given): the group's value, a space, and the
// count. Returns the exit status as print_listing does.
int print_counts(int length, ranges::Grouping grouping, std::FILE* out, std::optional<int> value = std::nullopt);

}  // namespace app
