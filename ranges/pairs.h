// The ranges of one length counted by two groupings at once: any two from
// the stream, and area with bounce or dinv, the q,t-Catalan numbers, from
// their recursion up to length 64.
#pragma once

#include <cstdint>
#include <vector>

#include "groups.h"

namespace ranges {

// Past this half length the stream holds too many ranges to count them
// one by one (35 million at length 32, four times more at each step).
constexpr int longest_streamed_pair_half_length = 16;

// The ranges that have the value `first` in one grouping and `second` in
// the other.
struct PairCount {
    int first;
    int second;
    std::uint64_t count;
};

// The longest half length that count_pairs takes for `first` and `second`:
// max_stream_half_length for area with a grouping that makes the q,t-Catalan
// numbers with it, longest_streamed_pair_half_length otherwise.
int longest_pair_half_length(Grouping first, Grouping second);

// The number of ranges of length 2 * half_length (1 to
// longest_pair_half_length) for each pair of values in `first` and `second`
// (two different groupings) that some range has, exact; ordered by first's
// values as the gallery shows them, then second's.
std::vector<PairCount> count_pairs(int half_length, Grouping first, Grouping second);

// The q,t-Catalan numbers: [area][bounce], the number of ranges of length
// 2 * half_length (1 to 32) with that area and bounce, exact.
std::vector<std::vector<std::uint64_t>> qt_catalan(int half_length);

}  // namespace ranges
