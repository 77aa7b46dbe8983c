// The enumeration, every grouping's values and counts and the counts by two
// groupings against brute force, the q,t-Catalan numbers at 64, and the
// stream of every grouping against the enumeration; joins that the
// enumeration does not make.
#include <gtest/gtest.h>

#include <map>

#include "ranges/groups.h"
#include "ranges/pairs.h"
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

// A range's values in each grouping, in the order of ranges::Grouping, as
// their definitions read: x[k] the down-strokes before up-stroke k and a[k]
// the level it starts at, k from 0.
std::vector<int> values_of(Code code, int length)
{
    std::vector<int> x, a;
    int level = 0, returns = 0, peaks = 0, height = 0;
    for (int i = 0; i < length; ++i) {
        const bool up = ((code >> i) & 1U) != 0;
        if (up) {
            x.push_back(i - int(x.size()));
            a.push_back(level);
        }
        peaks += up && i + 1 < length && ((code >> (i + 1)) & 1U) == 0;
        level += up ? 1 : -1;
        returns += level == 0;
        height = std::max(height, level);
    }
    int area = 0, bounce = 0, dinv = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        area += a[i];
        for (std::size_t j = i + 1; j < a.size(); ++j)
            dinv += a[i] == a[j] || a[i] == a[j] + 1;
    }
    for (int j = x.back(); j > 0; j = x[j - 1])
        bounce += j;
    return {returns, peaks, height, area, bounce, dinv};
}

TEST(Counts, EveryGroupingTo24AndEveryPairTo20EqualBruteForceOverAllWords)
{
    const auto groupings = std::size(ranges::groupings);
    for (int n = 1; n <= 12; ++n) {
        std::vector<std::map<int, std::uint64_t>> single(groupings);
        std::map<std::vector<int>, std::uint64_t> pairs;  // {first, second, first's value, second's}
        for (Code code = 0; code < Code{1} << (2 * n); ++code) {
            if (mountains_of(code, 2 * n) < 0)
                continue;
            const std::vector<int> values = values_of(code, 2 * n);
            for (std::size_t g = 0; g < groupings; ++g) {
                ASSERT_EQ(ranges::group_value(code, 2 * n, ranges::Grouping(g)), values[g]) << g << " of " << code;
                ++single[g][values[g]];
                for (std::size_t h = 0; h < groupings && n <= 10; ++h)
                    ++pairs[{int(g), int(h), values[g], values[h]}];
            }
        }
        for (std::size_t g = 0; g < groupings; ++g) {
            const ranges::GroupingInfo& info = ranges::groupings[g];
            for (int v = info.lowest - 1; v <= info.highest(n) + 1; ++v)
                EXPECT_EQ(ranges::count_group(n, ranges::Grouping(g), v), single[g][v]) << info.name << " " << v;
            for (std::size_t h = 0; h < groupings && n <= 10; ++h) {
                std::vector<std::vector<int>> expected, found;  // in the order of both galleries
                for (const int u : ranges::group_values(n, ranges::Grouping(g)))
                    for (const int v : ranges::group_values(n, ranges::Grouping(h)))
                        if (const auto cell = pairs.find({int(g), int(h), u, v}); cell != pairs.end() && g != h)
                            expected.push_back({u, v, int(cell->second)});
                for (const ranges::PairCount& cell : ranges::count_pairs(n, ranges::Grouping(g), ranges::Grouping(h)))
                    found.push_back({cell.first, cell.second, int(cell.count)});
                EXPECT_EQ(found, expected) << info.name << " with " << ranges::groupings[h].name << ", n = " << n;
            }
        }
    }
}

TEST(Counts, TheQtCatalanNumbersAt64AreSymmetricWithAreasCountsForMarginsAndCatalanTotal)
{
    const std::vector<std::vector<std::uint64_t>> table = ranges::qt_catalan(32);
    ASSERT_EQ(table.size(), 497U);
    std::uint64_t total = 0;
    for (std::size_t a = 0; a < table.size(); ++a) {
        std::uint64_t margin = 0;
        for (std::size_t b = 0; b < table.size(); ++b) {
            ASSERT_EQ(table[a][b], table[b][a]) << a << ", " << b;
            margin += table[a][b];
        }
        EXPECT_EQ(margin, ranges::count_group(32, ranges::Grouping::area, int(a))) << a;
        total += margin;
    }
    EXPECT_EQ(total, 55534064877048198U);  // C(32)
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
