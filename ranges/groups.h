// Three ways to group the ranges of one length, from the flattest ranges to
// the tallest, and the size of every group without enumerating it.
#pragma once

#include <cstdint>
#include <vector>

#include "ranges.h"

namespace ranges {

// By number of mountains, by number of peaks (an up-stroke followed directly
// by a down-stroke), or by height (the highest level reached).
enum class Grouping { mountains, peaks, height };

// The value of the range `code` of `length` strokes in `grouping`.
int group_value(Code code, int length, Grouping grouping);

// The values of the groups of length 2 * half_length in the order they are
// shown, flattest first: half_length down to 1, or 1 up to half_length by height.
std::vector<int> group_values(int half_length, Grouping grouping);

// The number of ranges of length 2 * half_length (1 to 32) whose value in
// `grouping` is `value`, exact: by the staged recurrence, the Narayana
// numbers, or the paths that stay at or below each height.
std::uint64_t count_group(int half_length, Grouping grouping, int value);

}  // namespace ranges
