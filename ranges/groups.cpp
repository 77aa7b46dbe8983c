#include "groups.h"

#include <algorithm>
#include <bitset>

#include "stream.h"

namespace ranges {

namespace {

std::uint64_t binomial(int n, int k)
{
    std::uint64_t result = 1;
    for (int i = 1; i <= k; ++i)
        result = result * static_cast<std::uint64_t>(n - k + i) / static_cast<std::uint64_t>(i);  // exact at each step
    return result;
}

// The ranges of length 2 * half_length that never rise above `height`.
std::uint64_t staying_at_or_below(int half_length, int height)
{
    std::vector<std::uint64_t> at(static_cast<std::size_t>(height) + 2, 0);  // paths ending at each level
    at[0] = 1;
    for (int step = 0; step < 2 * half_length; ++step) {
        std::vector<std::uint64_t> next(at.size(), 0);
        for (int level = 0; level <= height; ++level)
            next[level] = (level > 0 ? at[level - 1] : 0) + at[level + 1];
        at = next;
    }
    return at[0];
}

}  // namespace

int group_value(Code code, int length, Grouping grouping)
{
    if (grouping == Grouping::peaks)
        return static_cast<int>(std::bitset<64>(code & ~(code >> 1U)).count());
    int level = 0;
    int returns = 0;
    int highest = 0;
    for (int i = 0; i < length; ++i) {
        level += ((code >> i) & 1U) != 0 ? 1 : -1;
        returns += level == 0 ? 1 : 0;
        highest = std::max(highest, level);
    }
    return grouping == Grouping::mountains ? returns : highest;
}

std::vector<int> group_values(int half_length, Grouping grouping)
{
    std::vector<int> values;
    for (int v = half_length; v >= 1; --v)
        values.push_back(v);
    if (grouping == Grouping::height)
        std::reverse(values.begin(), values.end());
    return values;
}

std::uint64_t count_group(int half_length, Grouping grouping, int value)
{
    if (grouping == Grouping::mountains)
        return count_ranges(half_length, value);
    if (half_length < 1 || half_length > max_stream_half_length || value < 1 || value > half_length)
        return 0;
    if (grouping == Grouping::peaks)
        return binomial(half_length, value) * binomial(half_length, value - 1) / static_cast<std::uint64_t>(half_length);
    return staying_at_or_below(half_length, value) - staying_at_or_below(half_length, value - 1);
}

}  // namespace ranges
