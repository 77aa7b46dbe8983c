// The groupings' values of a range and the sizes of their groups: the table
// that tells one grouping from another.
#include "groups.h"

#include <algorithm>
#include <bitset>
#include <map>
#include <memory>
#include <mutex>

namespace ranges {

namespace {

bool is_up(Code code, int i)
{
    return ((code >> i) & 1U) != 0;
}

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

constexpr int pairs(int half_length)
{
    return half_length * (half_length - 1) / 2;
}

int mountains_of(Code code, int length)
{
    int level = 0;
    int returns = 0;
    for (int i = 0; i < length; ++i) {
        level += is_up(code, i) ? 1 : -1;
        returns += level == 0 ? 1 : 0;
    }
    return returns;
}

int peaks_of(Code code, int length)
{
    // A last stroke up is no peak: the word may be the start of a range.
    return static_cast<int>(std::bitset<64>(code & ~(code >> 1U) & ((Code{1} << (length - 1)) - 1)).count());
}

// The piece ends in a D only when it has one.
Share peak_of_piece(Share end, int, int width, int)
{
    return {end.value + (width > 1 ? 1 : 0), 0};
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
        level += is_up(code, i) ? 1 : -1;
        highest = std::max(highest, level);
    }
    return highest;
}

Share top_of_piece(Share end, int, int, int level)
{
    return {std::max(end.value, level + 1), 0};
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

int area_of(Code code, int length)
{
    int level = 0;
    int area = 0;
    for (int i = 0; i < length; ++i) {
        const bool up = is_up(code, i);
        area += up ? level : 0;
        level += up ? 1 : -1;
    }
    return area;
}

Share area_of_piece(Share end, int, int, int level)
{
    return {end.value + level, 0};
}

// Paths by level and area so far, a stroke at a time: an up-stroke from
// level l adds l to the area, and areas past the largest never come back
// down. One pass gives every area of a length, so each length is kept.
// Bounce and dinv are spread over their values as area is (a theorem).
std::uint64_t count_area(int half_length, int value)
{
    if (!counted(half_length, 0, pairs(half_length), value))
        return 0;
    static std::array<std::vector<std::uint64_t>, max_stream_half_length + 1> by_area;
    static std::array<std::once_flag, max_stream_half_length + 1> made;
    std::call_once(made[half_length], [half_length] {
        using Table = std::vector<std::vector<std::uint64_t>>;  // [level][area]
        const auto levels = static_cast<std::size_t>(half_length) + 1;
        const auto areas = static_cast<std::size_t>(pairs(half_length)) + 1;
        Table at(levels, std::vector<std::uint64_t>(areas, 0));
        at[0][0] = 1;
        for (int step = 0; step < 2 * half_length; ++step) {
            Table next(levels, std::vector<std::uint64_t>(areas, 0));
            for (std::size_t level = 0; level < levels; ++level)
                for (std::size_t area = 0; area < areas; ++area) {
                    if (level + 1 < levels && area + level < areas)
                        next[level + 1][area + level] += at[level][area];
                    if (level > 0)
                        next[level - 1][area] += at[level][area];
                }
            at = next;
        }
        by_area[half_length] = at[0];
    });
    return by_area[half_length][value];
}

// With the up-strokes counted from 1 and x(u) the number of down-strokes
// before up-stroke u: the ball on up-stroke j touches the ground at x(j) and
// goes on from up-stroke x(j), until it touches at 0. touches[j]: its
// touches from up-stroke j on, summed, for j from 0 to the up-strokes there
// are. As x(j) < j, one pass does them all.
void bounces_from(Code code, int length, int* touches)
{
    touches[0] = 0;
    for (int i = 0, ups = 0; i < length; ++i) {
        if (is_up(code, i)) {
            ++ups;
            const int downs_before = i + 1 - ups;
            touches[ups] = downs_before + touches[downs_before];
        }
    }
}

// The ball starts at the end, on the last up-stroke.
int bounce_of(Code code, int length)
{
    std::array<int, max_stream_half_length + 1> touches{};
    bounces_from(code, length, touches.data());
    return touches[length / 2];
}

// The piece's up-stroke follows all of the start's down-strokes: when the
// ball drops there, its next bounce is that many.
Share bounce_of_piece(Share end, int up, int, int level)
{
    if (end.chain != up)
        return end;
    const int drop = up - 1 - level;
    return {end.value + drop, drop};
}

// Up-strokes so far from each level; one from `level` pairs with those at
// its level and one above.
struct PairsOfUps {
    std::array<int, max_code_length + 2> from{};
    int dinv = 0;

    void up(int level)
    {
        dinv += from[level] + from[level + 1];
        ++from[level];
    }
};

int dinv_of(Code code, int length)
{
    PairsOfUps ups;
    int level = 0;
    for (int i = 0; i < length; ++i) {
        if (is_up(code, i))
            ups.up(level++);
        else
            --level;
    }
    return ups.dinv;
}

// Kept heads with their own dinv, and the number of their up-strokes from
// each level (which a pair across the join needs) as one of a few kinds: a
// start's up-strokes rise through every level below its top, so its kinds
// are compositions of its c up-strokes.
constexpr std::size_t most_kinds = std::size_t{1} << (cached_half_length - 1);
using Levels = std::array<std::uint8_t, cached_half_length>;

struct DinvHeads {
    std::vector<std::uint16_t> own;
    std::vector<std::uint16_t> kind;
    std::vector<Levels> kinds;
};

using DinvStage = std::array<std::array<DinvHeads, cache_size>, cache_size>;  // [k][s]

const DinvStage& dinv_stage(int c)
{
    static std::array<std::unique_ptr<DinvStage>, cache_size> stages;
    static std::array<std::once_flag, cache_size> made;
    std::call_once(made[c], [c] {
        auto stage = std::make_unique<DinvStage>();
        for (int k = 1; k <= c; ++k)
            for (int s = 0; s <= k; ++s) {
                DinvHeads& heads = (*stage)[k][s];
                std::map<Levels, std::uint16_t> kinds;
                for (const std::uint32_t code : kept_heads(c, k, s)) {
                    Levels levels{};
                    for (int i = 0, level = 0; i < 2 * c - s; ++i) {
                        if (is_up(code, i))
                            ++levels[level++];
                        else
                            --level;
                    }
                    const auto found = kinds.emplace(levels, static_cast<std::uint16_t>(kinds.size())).first;
                    heads.own.push_back(static_cast<std::uint16_t>(dinv_of(code, 2 * c - s)));
                    heads.kind.push_back(found->second);
                }
                heads.kinds.resize(kinds.size());
                for (const auto& [levels, kind] : kinds)
                    heads.kinds[kind] = levels;
            }
        stages[c] = std::move(stage);
    });
    return *stages[c];
}

// dinv = the start's own + the tail's own + the pairs across: an up-stroke
// of the start from level l pairs with each of the tail's from l or l - 1.
// The pairs across depend on the start's kind only, so each kind is worked
// out once a run.
void dinv_run_values(int c, int k, int s, Code tail, int length, int* values)
{
    const DinvHeads& heads = dinv_stage(c)[k][s];
    PairsOfUps ups;
    for (int i = 2 * c - s, level = s; i < length; ++i) {
        if (is_up(tail, i))
            ups.up(level++);
        else
            --level;
    }
    std::array<int, most_kinds> across{};
    for (std::size_t kind = 0; kind < heads.kinds.size(); ++kind)
        for (int l = 0; l < c; ++l)
            across[kind] += heads.kinds[kind][l] * (ups.from[l] + (l > 0 ? ups.from[l - 1] : 0));
    for (std::size_t i = 0; i < heads.own.size(); ++i)
        values[i] = heads.own[i] + across[heads.kind[i]] + ups.dinv;
}

}  // namespace

// Mountains, peaks and height come to at most one for each up-stroke.
constexpr std::array<GroupingInfo, 6> groupings = {{
    {"mountains", "  %d mountain(s)", "", "", false, 1, [](int n) { return n; }, mountains_of, count_ranges, Walk::own,
     nullptr, false, nullptr, nullptr, false, true, false},
    {"peaks", "  %d peak(s)", " BY PEAKS", " by peaks", false, 1, [](int n) { return n; }, peaks_of, count_peaks,
     Walk::split, peak_of_piece, false, nullptr, nullptr, false, false, true},
    {"height", "  height %d", " BY HEIGHT", " by height", true, 1, [](int n) { return n; }, height_of, count_height,
     Walk::split, top_of_piece, true, nullptr, nullptr, false, false, true},
    {"area", "  area %d", " BY AREA", " by area", true, 0, pairs, area_of, count_area, Walk::split, area_of_piece,
     false, nullptr, nullptr, false, false, true},
    {"bounce", "  bounce %d", " BY BOUNCE", " by bounce", false, 0, pairs, bounce_of, count_area, Walk::split,
     bounce_of_piece, false, bounces_from, nullptr, true, false, true},
    {"dinv", "  dinv %d", " BY DINV", " by dinv", false, 0, pairs, dinv_of, count_area, Walk::whole, nullptr, false,
     nullptr, dinv_run_values, true, false, true},
}};

static_assert([] {
    for (const GroupingInfo& info : groupings)
        if (info.lowest < 0 || info.highest(max_stream_half_length) > largest_value)
            return false;
    return true;
}());

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

}  // namespace ranges
