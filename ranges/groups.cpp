#include "groups.h"

#include <algorithm>
#include <bitset>
#include <memory>
#include <mutex>

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

int peaks_of(Code code, int length)
{
    // A last stroke up is no peak: the word may be the start of a range.
    return static_cast<int>(std::bitset<64>(code & ~(code >> 1U) & ((Code{1} << (length - 1)) - 1)).count());
}

// The piece ends in a D only when it has one.
int peak_of_piece(int width, int)
{
    return width > 1 ? 1 : 0;
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

int top_of_piece(int, int level)
{
    return level + 1;
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

constexpr int largest_area(int half_length)
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

int area_of_piece(int, int level)
{
    return level;
}

// Paths by level and area so far, a stroke at a time: an up-stroke from
// level l adds l to the area, and areas past the largest never come back
// down. One pass gives every area of a length, so each length is kept.
std::uint64_t count_area(int half_length, int value)
{
    if (!counted(half_length, 0, largest_area(half_length), value))
        return 0;
    static std::array<std::vector<std::uint64_t>, max_stream_half_length + 1> by_area;
    static std::array<std::once_flag, max_stream_half_length + 1> made;
    std::call_once(made[half_length], [half_length] {
        using Table = std::vector<std::vector<std::uint64_t>>;  // [level][area]
        const auto levels = static_cast<std::size_t>(half_length) + 1;
        const auto areas = static_cast<std::size_t>(largest_area(half_length)) + 1;
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

}  // namespace

// Mountains, peaks and height come to at most one for each up-stroke.
constexpr std::array<GroupingInfo, 4> groupings = {{
    {"mountains", "  %d mountain(s)", "", "", false, 1, [](int n) { return n; }, mountains_of, count_ranges, nullptr,
     false, true, false},
    {"peaks", "  %d peak(s)", " BY PEAKS", " by peaks", false, 1, [](int n) { return n; }, peaks_of, count_peaks,
     peak_of_piece, false, false, true},
    {"height", "  height %d", " BY HEIGHT", " by height", true, 1, [](int n) { return n; }, height_of, count_height,
     top_of_piece, true, false, true},
    {"area", "  area %d", " BY AREA", " by area", true, 0, largest_area, area_of, count_area, area_of_piece, false,
     false, true},
}};

namespace {

// A group of another grouping than mountains is walked as the stream's groups
// are, from m = half_length mountains down to 1, but only into the branches
// that can still reach its value: below a node (n, m, opened) of the walk
// lie the words w' (stage-n ranges of m mountains with `opened` closing Ds
// out) followed by the tail laid down so far, and the value of each word is
// its w' joined to the tail's share. Each node's possible values of w' are
// worked out once per grouping, by the same steps as the walk; at the last
// stage the kept heads are sorted by value, so that a leaf hands out a whole
// run instead of a test for every code.

constexpr int largest_value = largest_area(max_stream_half_length);  // of area, at 64
static_assert([] {
    for (const GroupingInfo& info : groupings)
        if (info.lowest < 0 || info.highest(max_stream_half_length) > largest_value)
            return false;
    return true;
}());
using Values = std::bitset<largest_value + 1>;

int joined(const GroupingInfo& info, int value, int share)
{
    return info.by_maximum ? std::max(value, share) : value + share;
}

// Every value in `values` joined to `share`.
Values joined(const GroupingInfo& info, const Values& values, int share)
{
    if (!info.by_maximum)
        return values << static_cast<std::size_t>(share);
    const Values up_to_share = ~Values() >> static_cast<std::size_t>(largest_value - share);
    Values result = values & ~up_to_share;
    result[share] = (values & up_to_share).any();
    return result;
}

// The values of w' that make a word of the group: `at`, or with `or_less`
// any up to `at`; none when `at` is below 0.
struct Wanted {
    int at;
    bool or_less;
};

Wanted wanted(const GroupingInfo& info, int value, int share)
{
    // A maximum is w''s own while the tail stays below the value; once the
    // tail reaches it, any w' no higher will do.
    if (info.by_maximum)
        return {share <= value ? value : -1, share == value};
    return {value - share, false};
}

bool reaches(const Values& values, Wanted wanted)
{
    if (wanted.at < 0 || wanted.at > largest_value)
        return false;
    if (wanted.or_less)
        return (values << static_cast<std::size_t>(largest_value - wanted.at)).any();
    return values[wanted.at];
}

// The kept heads of one stage, group and opening by their value, each list
// in stored order: list v holds those of value v (0 to top), and for a
// grouping joined by its maximum, list top + 1 + v those of value v or less.
struct Heads {
    std::vector<std::uint32_t> codes;
    std::vector<std::size_t> starts{0};  // list i runs from codes[starts[i]] to codes[starts[i + 1]]
    int top = 0;

    RangeRun run(Wanted wanted, Code tail) const
    {
        if (wanted.at < 0 || (!wanted.or_less && wanted.at > top))
            return {nullptr, 0, tail};
        const auto i = static_cast<std::size_t>(wanted.or_less ? top + 1 + std::min(wanted.at, top) : wanted.at);
        return {codes.data() + starts[i], starts[i + 1] - starts[i], tail};
    }
};

struct Split {
    std::vector<std::vector<std::vector<Values>>> reach;  // [n][m][opened]: the values of w' there
    std::array<std::array<std::array<Heads, cache_size>, cache_size>, cache_size> heads;  // [c][k][s]
};

std::unique_ptr<const Split> make_split(const GroupingInfo& info)
{
    auto split = std::make_unique<Split>();
    for (int c = 1; c <= cached_half_length; ++c)
        for (int k = 1; k <= c; ++k)
            for (int s = 0; s <= k; ++s) {
                const std::vector<std::uint32_t>& kept = kept_heads(c, k, s);
                std::vector<int> worth;
                worth.reserve(kept.size());
                for (const std::uint32_t code : kept)
                    worth.push_back(info.value(code, 2 * c - s));
                Heads& heads = split->heads[c][k][s];
                heads.top = *std::max_element(worth.begin(), worth.end());
                for (int or_less = 0; or_less <= (info.by_maximum ? 1 : 0); ++or_less)
                    for (int v = 0; v <= heads.top; ++v) {
                        for (std::size_t i = 0; i < kept.size(); ++i)
                            if (worth[i] == v || (or_less != 0 && worth[i] < v))
                                heads.codes.push_back(kept[i]);
                        heads.starts.push_back(heads.codes.size());
                    }
            }
    // Stage 1 from its heads, every later stage from the one before it.
    split->reach.resize(max_stream_half_length + 1);
    for (int n = 1; n <= max_stream_half_length; ++n) {
        split->reach[n].resize(static_cast<std::size_t>(n) + 1);
        for (int m = 1; m <= n; ++m) {
            split->reach[n][m].resize(static_cast<std::size_t>(m) + 1);
            for (int opened = 0; opened <= m; ++opened) {
                Values& here = split->reach[n][m][opened];
                if (n == 1)
                    here.set(static_cast<std::size_t>(info.value(kept_heads(1, 1, opened)[0], 2 - opened)));
                for_each_part(n, m, opened, [&](int k, int width, int next_opened) {
                    here |= joined(info, split->reach[n - 1][k][next_opened], info.piece(width, next_opened));
                    return true;
                });
            }
        }
    }
    return split;
}

const Split& split_of(Grouping grouping)
{
    static std::array<std::unique_ptr<const Split>, groupings.size()> splits;
    static std::array<std::once_flag, groupings.size()> made;
    const auto i = static_cast<std::size_t>(grouping);
    std::call_once(made[i], [i] { splits[i] = make_split(groupings[i]); });
    return *splits[i];
}

// What one walk for a group keeps to the end.
struct GroupWalk {
    const GroupingInfo& info;
    const Split& split;
    int start;
    int value;
    const std::function<bool(const RangeRun&)>& visit;
};

// As the stream's walk, with `share` the value of the tail.
bool walk_group(const GroupWalk& walk, int n, int m, int opened, Code tail, int end, int share)
{
    const Wanted w = wanted(walk.info, walk.value, share);
    if (n == walk.start) {
        const RangeRun run = walk.split.heads[n][m][opened].run(w, tail);
        return run.count == 0 || walk.visit(run);
    }
    if (!reaches(walk.split.reach[n][m][opened], w))
        return true;
    return for_each_part(n, m, opened, [&](int k, int width, int next_opened) {
        return walk_group(walk, n - 1, k, next_opened, tail | Code{1} << (end - width), end - width,
                          joined(walk.info, share, walk.info.piece(width, next_opened)));
    });
}

}  // namespace

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
                        const std::function<bool(const RangeRun&)>& visit, int start_half_length)
{
    if (grouping == Grouping::mountains)
        return for_each_run(half_length, value, visit, start_half_length);
    if (half_length < 1 || half_length > max_stream_half_length)
        return true;
    const int start = std::min(half_length, std::clamp(start_half_length, 1, cached_half_length));
    const GroupWalk walk{grouping_info(grouping), split_of(grouping), start, value, visit};
    // An empty tail's share is 0, which joins to anything as nothing.
    for (int m = half_length; m >= 1; --m)
        if (!walk_group(walk, half_length, m, 0, 0, 2 * half_length, 0))
            return false;
    return true;
}

}  // namespace ranges
