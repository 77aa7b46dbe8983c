#include "groups.h"

#include <algorithm>
#include <bitset>

namespace ranges {

namespace {

std::uint64_t binomial(int n, int k)
{
    std::uint64_t result = 1;
    for (int i = 1; i <= k; ++i)
        result = result * static_cast<std::uint64_t>(n - k + i) / static_cast<std::uint64_t>(i);  // exact at each step
    return result;
}

bool counted(int half_length, int lowest, int highest, int value)
{
    return half_length >= 1 && half_length <= max_stream_half_length && value >= lowest && value <= highest;
}

int half(int half_length)
{
    return half_length;
}

int mountains_of(Code code, int length)
{
    int level = 0;
    int returns = 0;
    for (int i = 0; i < length; ++i) {
        level += ((code >> i) & 1U) != 0 ? 1 : -1;
        returns += level == 0 ? 1 : 0;
    }
    return returns;
}

int peaks_of(Code code, int)
{
    return static_cast<int>(std::bitset<64>(code & ~(code >> 1U)).count());
}

std::uint64_t count_peaks(int half_length, int value)
{
    if (!counted(half_length, 1, half_length, value))
        return 0;
    return binomial(half_length, value) * binomial(half_length, value - 1) / static_cast<std::uint64_t>(half_length);
}

int height_of(Code code, int length)
{
    int level = 0;
    int highest = 0;
    for (int i = 0; i < length; ++i) {
        level += ((code >> i) & 1U) != 0 ? 1 : -1;
        highest = std::max(highest, level);
    }
    return highest;
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

std::uint64_t count_height(int half_length, int value)
{
    if (!counted(half_length, 1, half_length, value))
        return 0;
    return staying_at_or_below(half_length, value) - staying_at_or_below(half_length, value - 1);
}

int largest_area(int half_length)
{
    return half_length * (half_length - 1) / 2;
}

int area_of(Code code, int length)
{
    int level = 0;
    int area = 0;
    for (int i = 0; i < length; ++i) {
        const bool up = ((code >> i) & 1U) != 0;
        area += up ? level : 0;
        level += up ? 1 : -1;
    }
    return area;
}

// Paths by level and area so far, a stroke at a time: an up-stroke from
// level l adds l to the area. Areas past `value` never come back down.
std::uint64_t count_area(int half_length, int value)
{
    if (!counted(half_length, 0, largest_area(half_length), value))
        return 0;
    using Table = std::vector<std::vector<std::uint64_t>>;  // [level][area]
    const auto levels = static_cast<std::size_t>(half_length) + 1;
    Table at(levels, std::vector<std::uint64_t>(value + 1, 0));
    at[0][0] = 1;
    for (int step = 0; step < 2 * half_length; ++step) {
        Table next(levels, std::vector<std::uint64_t>(value + 1, 0));
        for (std::size_t level = 0; level < levels; ++level)
            for (std::size_t area = 0; area < at[level].size(); ++area) {
                if (level + 1 < levels && area + level < at[level].size())
                    next[level + 1][area + level] += at[level][area];
                if (level > 0)
                    next[level - 1][area] += at[level][area];
            }
        at = next;
    }
    return at[0][value];
}

}  // namespace

const std::array<GroupingInfo, 4> groupings = {{
    {"mountains", "  %d mountain(s)", "", "", false, 1, half, mountains_of, count_ranges},
    {"peaks", "  %d peak(s)", " BY PEAKS", " by peaks", false, 1, half, peaks_of, count_peaks},
    {"height", "  height %d", " BY HEIGHT", " by height", true, 1, half, height_of, count_height},
    {"area", "  area %d", " BY AREA", " by area", true, 0, largest_area, area_of, count_area},
}};

const GroupingInfo& grouping_info(Grouping grouping)
{
    return groupings[static_cast<std::size_t>(grouping)];
}

int group_value(Code code, int length, Grouping grouping)
{
    return grouping_info(grouping).value(code, length);
}

std::vector<int> group_values(int half_length, Grouping grouping)
{
    const GroupingInfo& info = grouping_info(grouping);
    std::vector<int> values;
    for (int v = info.lowest; v <= info.highest(half_length); ++v)
        values.push_back(v);
    if (!info.ascending)
        std::reverse(values.begin(), values.end());
    return values;
}

std::uint64_t count_group(int half_length, Grouping grouping, int value)
{
    return grouping_info(grouping).count(half_length, value);
}

bool for_each_group_run(int half_length, Grouping grouping, int value,
                        const std::function<bool(const RangeRun&)>& visit)
{
    if (grouping == Grouping::mountains)
        return for_each_run(half_length, value, visit);
    const int length = 2 * half_length;
    for (int m = half_length; m >= 1; --m) {
        const bool went_on = for_each_run(half_length, m, [&](const RangeRun& run) {
            for (std::size_t i = 0; i < run.count; ++i)
                if (group_value(run.codes[i] | run.tail, length, grouping) == value && !visit({run.codes + i, 1, run.tail}))
                    return false;
            return true;
        });
        if (!went_on)
            return false;
    }
    return true;
}

}  // namespace ranges
