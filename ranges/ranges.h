// Mountain ranges: Dyck paths held as bit codes, and their enumeration by
// number of mountains.
//
// A range of length L is a word of L strokes, up (U) or down (D), that starts
// and ends at ground level and never dips below it. Its code keeps stroke i in
// bit i (1 = up, 0 = down); the length travels separately. A mountain is the
// stretch between two consecutive visits to ground level.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ranges {

constexpr int range_length = 16;  // strokes per range in the gallery
constexpr int max_mountains = range_length / 2;
constexpr int row_capacity = 1000;  // codes per row; length 16 needs at most 429
constexpr int max_code_length = 31; // bit 31 would make the code negative

// All ranges of one length, row m holding the ranges with m mountains.
struct RangeTables {
    int length = range_length;
    std::array<std::int32_t, max_mountains + 1> range_count{};
    std::array<std::array<std::int32_t, row_capacity>, max_mountains + 1> range_table{};
};

// Returns the code of the range `code` (length 2n - 2) followed by one more peak UD.
std::int32_t append_peak(std::int32_t code, int n);

// Lifts the last mountain of a range of `length` strokes onto the end of the one
// before it (P D U Q D becomes P U Q D D), giving one mountain fewer. Needs
// 2 <= length <= max_code_length and at least two mountains; any other input is
// returned unchanged.
std::int32_t join_last_two_mountains(std::int32_t code, int length);

// Every range of length 2 * half_length (16 unless asked otherwise; 1 to 8),
// each once, row m holding those with m mountains in the order the
// stage-by-stage construction produces them.
RangeTables enumerate_ranges(int half_length = max_mountains);

// The range `code` of `length` strokes as a word of U and D, first stroke first.
std::string range_word(std::int32_t code, int length);

}  // namespace ranges
