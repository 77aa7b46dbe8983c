// The enumeration against brute force, joins that it does not make, and the
// stream of every grouping against the enumeration.
#include <gtest/gtest.h>

#include <map>

#include "ranges/groups.h"
#include "ranges/ranges.h"

namespace {

using ranges::Code;

// Returns to ground level of a word of `length` strokes, or -1 if it is no range.
int mountains_of(Code code, int length)
{
    int height = 0, returns = 0;
    for (int i = 0; i < length && height >= 0; ++i) {
        height += ((code >> i) & 1U) != 0 ? 1 : -1;
        returns += height == 0;
    }
    return height == 0 ? returns : -1;
}

// What the enumeration, up to length 16 here, never asks of a join.
TEST(Join, At64AndOfOneMountain)
{
    EXPECT_EQ(ranges::join_last_two_mountains(0x5555555555555555, 64), 0x3555555555555555U);
    EXPECT_EQ(ranges::join_last_two_mountains(0x00FF, 16), 0x00FFU);  // one mountain: nothing to join
}

TEST(Enumeration, MatchesBruteForceOverAllWords)
{
    const ranges::RangeTables t = ranges::enumerate_ranges(8);
    std::map<Code, int> seen;
    for (int m = 0; m <= 8; ++m)
        for (const Code code : t.range_table[m])
            EXPECT_TRUE(seen.emplace(code, m).second) << "twice: " << code;
    for (Code code = 0; code < (1U << 16); ++code) {
        const int m = mountains_of(code, 16);
        const auto found = seen.find(code);
        EXPECT_EQ(found == seen.end() ? -1 : found->second, m > 0 ? m : -1) << code;
    }
}

TEST(Stream, EveryGroupFromEveryStartIsTheTablesFilteredInGalleryOrder)
{
    // Lengths 18 to 24 go beyond the gallery. From stage 1 the walk owes
    // nothing to the tables: it is the order's independent measure. From
    // stage 10, at 22 and 24, the kept heads come with a tail.
    for (int n = 1; n <= 12; ++n) {
        const ranges::RangeTables t = ranges::enumerate_ranges(n);
        for (const ranges::GroupingInfo& info : ranges::groupings) {
            const auto grouping = static_cast<ranges::Grouping>(&info - ranges::groupings.data());
            std::map<int, std::vector<Code>> expected;
            for (int m = n; m >= 1; --m)
                for (const Code code : t.range_table[m])
                    expected[info.value(code, 2 * n)].push_back(code);
            for (int start = n <= 10 ? 1 : 10; start <= std::min(n, 10); ++start) {
                for (int value = info.lowest - 1; value <= info.highest(n) + 1; ++value) {
                    std::vector<Code> streamed;
                    ranges::for_each_group_run(n, grouping, value, [&](const ranges::RangeRun& run) {
                        for (std::size_t i = 0; i < run.count; ++i)
                            streamed.push_back(run.codes[i] | run.tail);
                        return true;
                    }, start);
                    ASSERT_EQ(streamed, expected[value])
                        << info.name << " " << value << ", n = " << n << ", start " << start;
                }
            }
        }
    }
}

}  // namespace
