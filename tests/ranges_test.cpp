#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "ranges/ranges.h"
#include "ranges/stream.h"

namespace {

using ranges::Code;
using ranges::RangeTables;

// Returns to ground level of a word of `length` strokes, or -1 if it is not a
// mountain range. Written independently of the library as the oracle.
int mountains_of(Code code, int length)
{
    int height = 0;
    int returns = 0;
    for (int i = 0; i < length; ++i) {
        height += ((code >> i) & 1) != 0 ? 1 : -1;
        if (height < 0)
            return -1;
        returns += height == 0 ? 1 : 0;
    }
    return height == 0 ? returns : -1;
}

Code code_of(const std::string& word)
{
    Code code = 0;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (word[i] == 'U')
            code |= Code{1} << i;
    return code;
}

long long binomial(int n, int k)
{
    long long result = 1;
    for (int i = 1; i <= k; ++i)
        result = result * (n - k + i) / i;
    return result;
}

TEST(JoinAndAppend, WorkedValues)
{
    EXPECT_EQ(ranges::append_peak(1, 2), 5);  // UD -> UDUD
    EXPECT_EQ(ranges::append_peak(code_of("UUDD"), 3), code_of("UUDDUD"));

    EXPECT_EQ(ranges::join_last_two_mountains(5, 4), 3);
    EXPECT_EQ(ranges::join_last_two_mountains(19, 6), 11);
    EXPECT_EQ(ranges::join_last_two_mountains(13, 6), 7);
    EXPECT_EQ(ranges::join_last_two_mountains(0x5555, 16), 0x3555);
    EXPECT_EQ(ranges::join_last_two_mountains(0x5555555555555555, 64), 0x3555555555555555U);
}

TEST(JoinAndAppend, JoinLowersMountainsByOneAndEndsWithTwoDowns)
{
    for (Code code = 0; code < (1 << 12); ++code) {
        const int m = mountains_of(code, 12);
        if (m < 2)
            continue;
        const Code joined = ranges::join_last_two_mountains(code, 12);
        EXPECT_EQ(mountains_of(joined, 12), m - 1) << code;
        EXPECT_EQ(joined >> 10, 0) << "the last two strokes must be DD: " << code;
    }
}

TEST(JoinAndAppend, SingleMountainOrBadLengthIsLeftAlone)
{
    // The walk over the last mountain runs off the front of the word here; it
    // must stop before it shifts by a negative count (UndefinedBehaviorSanitizer
    // watches this test).
    EXPECT_EQ(ranges::join_last_two_mountains(0x00FF, 16), 0x00FF);
    EXPECT_EQ(ranges::join_last_two_mountains(1, 2), 1);
    EXPECT_EQ(ranges::join_last_two_mountains(0, 16), 0);  // not a range at all
    EXPECT_EQ(ranges::join_last_two_mountains(5, 0), 5);
    EXPECT_EQ(ranges::join_last_two_mountains(5, 65), 5);
}

TEST(Enumeration, MatchesBruteForceOverAllWords)
{
    const RangeTables t = ranges::enumerate_ranges(8);

    std::map<Code, int> expected;  // code -> mountains
    for (Code code = 0; code < (1 << 16); ++code) {
        const int m = mountains_of(code, 16);
        if (m > 0)
            expected[code] = m;
    }
    ASSERT_EQ(expected.size(), 1430U);

    std::set<Code> seen;
    for (int m = 1; m <= 8; ++m) {
        for (Code code : t.range_table[m]) {
            EXPECT_TRUE(seen.insert(code).second) << "duplicate code " << code;
            ASSERT_EQ(expected.count(code), 1U) << "not a range: " << code;
            EXPECT_EQ(expected[code], m) << "code " << code << " in the wrong row";
        }
    }
    EXPECT_EQ(seen.size(), expected.size());
    EXPECT_TRUE(t.range_table[0].empty());
}

TEST(Enumeration, EveryStageCountsRangesByReturns)
{
    // Ranges of semilength n with k returns: k / (2n - k) * C(2n - k, n); the
    // tables hold that many, and count_ranges says so without them.
    for (int n = 1; n <= 10; ++n) {
        const RangeTables t = ranges::enumerate_ranges(n);
        ASSERT_EQ(t.range_table.size(), static_cast<std::size_t>(n + 1));
        for (int k = 1; k <= n; ++k) {
            const auto expected = static_cast<std::uint64_t>(k * binomial(2 * n - k, n) / (2 * n - k));
            EXPECT_EQ(t.range_table[k].size(), expected) << "n = " << n << ", k = " << k;
            EXPECT_EQ(ranges::count_ranges(n, k), expected) << "n = " << n << ", k = " << k;
        }
        EXPECT_EQ(ranges::count_ranges(n, n + 1), 0U);
    }
}

TEST(Enumeration, StoredOrderOfTheFirstStages)
{
    const auto words = [](const RangeTables& t, int m) {
        std::string text;
        for (Code code : t.range_table[m])
            text += std::to_string(code) + " " + ranges::range_word(code, t.length) + " ";
        return text;
    };
    const RangeTables two = ranges::enumerate_ranges(2);
    EXPECT_EQ(two.length, 4);
    EXPECT_EQ(words(two, 1), "3 UUDD ");
    EXPECT_EQ(words(two, 2), "5 UDUD ");

    const RangeTables three = ranges::enumerate_ranges(3);
    EXPECT_EQ(words(three, 1), "11 UUDUDD 7 UUUDDD ");
    EXPECT_EQ(words(three, 2), "19 UUDDUD 13 UDUUDD ");
    EXPECT_EQ(words(three, 3), "21 UDUDUD ");

    const RangeTables four = ranges::enumerate_ranges(4);
    EXPECT_EQ(words(four, 1), "43 UUDUDUDD 39 UUUDDUDD 27 UUDUUDDD 23 UUUDUDDD 15 UUUUDDDD ");
    EXPECT_EQ(words(four, 2), "75 UUDUDDUD 71 UUUDDDUD 51 UUDDUUDD 45 UDUUDUDD 29 UDUUUDDD ");
    EXPECT_EQ(words(four, 3), "83 UUDDUDUD 77 UDUUDDUD 53 UDUDUUDD ");
    EXPECT_EQ(words(four, 4), "85 UDUDUDUD ");
}

TEST(Enumeration, FirstAndLastCodeOfEachRow)
{
    const RangeTables t = ranges::enumerate_ranges(8);
    struct Row {
        int m;
        std::size_t count;
        Code first, last;
    };
    const Row rows[] = {{8, 1, 0x5555, 0x5555},   {7, 7, 0x5553, 0x3555},   {6, 27, 0x554B, 0x1D55},
                        {5, 75, 0x552B, 0x0F55},  {4, 165, 0x54AB, 0x07D5}, {3, 297, 0x52AB, 0x03F5},
                        {2, 429, 0x4AAB, 0x01FD}, {1, 429, 0x2AAB, 0x00FF}};
    for (const Row& r : rows) {
        ASSERT_EQ(t.range_table[r.m].size(), r.count) << "m = " << r.m;
        EXPECT_EQ(t.range_table[r.m][0], r.first) << "m = " << r.m;
        EXPECT_EQ(t.range_table[r.m][r.count - 1], r.last) << "m = " << r.m;
    }
}

TEST(Stream, EveryStartGivesTheTablesInStoredOrder)
{
    // Stages 9 and 10 go beyond the gallery; every start stage walks a
    // different number of stages down to its runs.
    for (int n = 1; n <= 10; ++n) {
        const RangeTables t = ranges::enumerate_ranges(n);
        for (int start = 1; start <= n; ++start) {
            for (int m = 1; m <= n; ++m) {
                std::vector<Code> streamed;
                ranges::for_each_range(n, m, [&](Code code) { streamed.push_back(code); }, start);
                ASSERT_EQ(streamed, t.range_table[m]) << "n = " << n << ", m = " << m << ", start " << start;
            }
        }
    }
}


}  // namespace
