// Mountain ranges: Dyck paths held as bit codes, and their enumeration by
// number of mountains.
//
// A range of length L is a word of L strokes, up (U) or down (D), that starts
// and ends at ground level and never dips below it. Its code keeps stroke i in
// bit i (1 = up, 0 = down); the length travels separately. A mountain is the
// stretch between two consecutive visits to ground level.
#pragma once

#include <cstdint>
#include <vector>

namespace ranges {

using Code = std::uint64_t;          // stroke i in bit i, 1 = up
constexpr int max_code_length = 64;  // strokes a Code holds

// All ranges of one length, row m (1 to length / 2) holding the ranges with m
// mountains; row 0 stays empty.
struct RangeTables {
    std::vector<std::vector<Code>> range_table;
};

// Returns the code of the range `code` (length 2n - 2) followed by one more peak UD.
Code append_peak(Code code, int n);

// Lifts the last mountain of a range of `length` strokes onto the end of the one
// before it (P D U Q D becomes P U Q D D), giving one mountain fewer. Needs
// 2 <= length <= max_code_length and at least two mountains; any other input is
// returned unchanged.
Code join_last_two_mountains(Code code, int length);

// Every range of length 2 * half_length (1 to 32, though the tables grow
// fourfold a stage), each once, row m holding those with m mountains in the
// order the stage-by-stage construction produces them.
RangeTables enumerate_ranges(int half_length);

}  // namespace ranges
