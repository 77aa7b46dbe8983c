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
// by a down-stroke), by height (the highest level reached), by area (the
// levels at which the up-strokes start, summed), by bounce (x(n) + x(x(n)) +
// ... until 0, x(k) being the down-strokes before the k-th of the n
// up-strokes) or by dinv (the pairs of up-strokes that start at one level, or
// the earlier one a level higher).
enum class Grouping { mountains, peaks, height, area, bounce, dinv };

// How a group's ranges come out of the stream in gallery order.
enum class Walk {
    own,    // the stream's own groups, one for each number of mountains
    split,  // the stream's walk, only into branches that can still reach the value
    whole,  // the whole stream, every range valued: no split of the value holds
};

// The share of a value that the end of a range holds, as the walk lays the
// end down piece by piece from its last stroke back; by bounce also the
// up-stroke (from 1) that the ball goes on from, 0 once it is down.
struct Share {
    int value;
    int chain;
};

// Everything that tells one grouping from another; every front end asks here.
struct GroupingInfo {
    const char* name;         // the value of --group-by
    const char* caption;      // a group's caption, %d standing for its value
    const char* heading;      // what the gallery's title adds ("" by mountains)
    const char* title_words;  // what the window's title bar adds ("" by mountains)
    bool ascending;           // whether the flattest group has the smallest value
    int lowest;               // the smallest value of any range
    int (*highest)(int half_length);                     // the largest value at length 2 * half_length
    int (*value)(Code code, int length);                 // of a range, or by a split of a start of one (any end level)
    std::uint64_t (*count)(int half_length, int value);  // the exact size of a group, half_length 1 to 32
    Walk walk;
    // Walk::split: how the value splits where a range's end, U first,
    // follows its start. The end's share once the piece U D^(width - 1), the
    // range's up-stroke `up` (from 1) starting at `level`, goes in front of
    // an end whose share is `end`; the end's share joins the start's value
    // by their maximum or else their sum.
    Share (*piece)(Share end, int up, int width, int level);
    bool by_maximum;
    // Walk::split by bounce: the values of a start of a range of `length`
    // strokes when the ball goes on from its up-stroke j (from 1; 0 when it
    // is down already), at values[j] for every j up to the start's
    // up-strokes. Null where a start's value is its own.
    void (*chained_values)(Code code, int length, int* values);
    // Walk::whole: the values of the ranges kept_heads(c, k, s)[i] | tail
    // of `length` strokes, at values[i].
    void (*run_values)(int c, int k, int s, Code tail, int length, int* values);
    bool qt_with_area;  // with area, the q,t-Catalan numbers: its counts by both are exact to length 64
    bool fixed_rows;    // rows at fixed places, else rows as tall as their ranges, stacked
    bool continued;     // a group that runs onto a later page is captioned again there, ", continued"
};

// The largest value of any grouping, at length 64: area's, bounce's and dinv's.
constexpr int largest_value = max_stream_half_length * (max_stream_half_length - 1) / 2;

// One entry for each Grouping, in the enum's order.
extern const std::array<GroupingInfo, 6> groupings;

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

// Calls `visit(run, values)` for every run of the ranges of length
// 2 * half_length (1 to 32) in the order of the gallery by mountains, each
// kept head's run whole, values[i] the value in `grouping` of range i of the
// run. Walks down to the kept heads of stage `start_half_length` as
// for_each_run does. Stops when `visit` returns false, and returns false then.
bool for_each_valued_run(int half_length, Grouping grouping,
                         const std::function<bool(const RangeRun& run, const int* values)>& visit,
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
