// The ways to group the ranges of one length, each named once, from the
// flattest ranges to the tallest; the size of every group without
// enumerating it, and its ranges in gallery order at any length.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <vector>

#include "ranges.h"
#include "stream.h"

namespace ranges {

// By number of mountains, by number of peaks (an up-stroke followed directly
// by a down-stroke), by height (the highest level reached), or by area (the
// levels at which the up-strokes start, summed).
enum class Grouping { mountains, peaks, height, area };

// Everything that tells one grouping from another; every front end asks here.
struct GroupingInfo {
    const char* name;         // the value of --group-by
    const char* caption;      // a group's caption, %d standing for its value
    const char* heading;      // what the gallery's title adds ("" by mountains)
    const char* title_words;  // what the window's title bar adds ("" by mountains)
    bool ascending;           // whether the flattest group has the smallest value
    int lowest;               // the smallest value of any range
    int (*highest)(int half_length);                     // the largest value at length 2 * half_length
    int (*value)(Code code, int length);                 // of a range, or of a start of one (any end level)
    std::uint64_t (*count)(int half_length, int value);  // the exact size of a group, half_length 1 to 32
    // How the value splits where a range's end, U first, follows its start:
    // the end's share, put together from the pieces U D^(width - 1) that the
    // walk lays down, each beginning at `level`, and joined to the start's
    // value by their maximum or else their sum. Null by mountains, whose
    // groups are the walk's own.
    int (*piece)(int width, int level);
    bool by_maximum;
    bool fixed_rows;  // rows at fixed places, else rows as tall as their ranges, stacked
    bool continued;   // a group that runs onto a later page is captioned again there, ", continued"
};

// One entry for each Grouping, in the enum's order.
extern const std::array<GroupingInfo, 4> groupings;

// The entry of `grouping` in groupings.
const GroupingInfo& grouping_info(Grouping grouping);

// The value of the range `code` of `length` strokes in `grouping`.
int group_value(Code code, int length, Grouping grouping);

// The values of the groups of length 2 * half_length in the order they are
// shown, flattest first.
std::vector<int> group_values(int half_length, Grouping grouping);

// The number of ranges of length 2 * half_length (1 to 32) whose value in
// `grouping` is `value`, exact; 0 for a value no range has.
std::uint64_t count_group(int half_length, Grouping grouping, int value);

// Calls `visit` with the runs that make up the group of `value` in
// `grouping` at length 2 * half_length (1 to 32), in gallery order: the
// order of the gallery by mountains, whose groups run from half_length
// mountains down to 1. Walks down to the kept heads of stage
// `start_half_length` as for_each_run does. Stops when `visit` returns false,
// and returns false then; visits nothing for a group that does not exist.
bool for_each_group_run(int half_length, Grouping grouping, int value,
                        const std::function<bool(const RangeRun&)>& visit,
                        int start_half_length = cached_half_length);

// Calls `visit(code)` for every range of the group, in the order of
// for_each_group_run. A `visit` that returns bool stops the walk with false,
// and the call returns false then.
template <typename Visit>
bool for_each_in_group(int half_length, Grouping grouping, int value, Visit&& visit)
{
    return for_each_group_run(half_length, grouping, value, [&visit](const RangeRun& run) {
        for (std::size_t i = 0; i < run.count; ++i) {
            if constexpr (std::is_same_v<decltype(visit(Code{})), bool>) {
                if (!visit(run.codes[i] | run.tail))
                    return false;
            } else {
                visit(run.codes[i] | run.tail);
            }
        }
        return true;
    });
}

}  // namespace ranges
