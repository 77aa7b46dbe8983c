// The ranges as text, for reading and for other programs.
#pragma once

#include <cstdio>
#include <optional>

#include "ranges/groups.h"

namespace app {

// A grouping with no split of its value (Walk::whole) is listed through a
// temporary file that holds every range of the length, four bytes each:
// 141 MB at length 32, four times more at each step after it.
constexpr int longest_whole_listing = 32;

// Prints every range of `length` strokes (an even number from 2 to 64, to
// longest_whole_listing for a grouping with Walk::whole) on `out`, a line
// each in the gallery's order (its groups in `grouping`, flattest first;
// within a group the order of the gallery by mountains): the group's value,
// a space, and the range as a word of U and D; only those of the group of
// `value` when it is given. Holds nothing but a 64 kB buffer, and for a
// whole listing with Walk::whole a block of 16 kB for each group and an
// unnamed temporary file in $TMPDIR (else /tmp), which goes with the process.
// Returns the exit status: 0, or 1 after a message on stderr when `out` or
// the temporary file fails.
int print_listing(int length, ranges::Grouping grouping, std::FILE* out, std::optional<int> value = std::nullopt);

// Prints the number of ranges of `length` strokes (an even number from 2 to
// 64) in each group of `grouping` on `out`, a line each, flattest first (only
// the group of `value` when it is given): the group's value, a space, and the
// count. Returns the exit status as print_listing does.
int print_counts(int length, ranges::Grouping grouping, std::FILE* out, std::optional<int> value = std::nullopt);

// Prints the number of ranges of `length` strokes (an even number from 2 to
// 2 * ranges::longest_pair_half_length) by their values in `first` and
// `second` on `out`, a line "a b count" for each pair of values that some
// range has, in the order of count_pairs; only the pair `values` when it is
// given, and then "a b 0" when no range has it. Returns the exit status as
// print_listing does.
int print_pair_counts(int length, ranges::Grouping first, ranges::Grouping second, std::FILE* out,
                      std::optional<std::pair<int, int>> values = std::nullopt);

}  // namespace app
