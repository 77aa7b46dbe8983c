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

namespace {

// A group of a grouping with a split is walked as the stream's groups are,
// from m = half_length mountains down to 1, but only into the branches that
// can still reach its value: below a node (n, m, opened) of the walk lie the
// words w' (stage-n ranges of m mountains with `opened` closing Ds out)
// followed by the tail laid down so far, and the value of each word is its
// w' (where the tail's chain enters it, by bounce) joined to the tail's
// share. Each node's possible values of w' are worked out once per grouping,
// by the same steps as the walk; at the last stage the kept heads are sorted
// by value, so that a leaf hands out a whole run instead of a test for every
// code.

constexpr int largest_value = pairs(max_stream_half_length);  // of area, bounce and dinv at 64
static_assert([] {
    for (const GroupingInfo& info : groupings)
        if (info.lowest < 0 || info.highest(max_stream_half_length) > largest_value)
            return false;
    return true;
}());
using Values = std::bitset<largest_value + 1>;

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

// The chains a walk can carry into a node of stage n.
int chains(const GroupingInfo& info, int n)
{
    return info.chained_values ? n + 1 : 1;
}

// The values of a start of a range for each chain that a walk can carry into it.
std::array<int, cache_size> start_values(const GroupingInfo& info, Code code, int length)
{
    std::array<int, cache_size> values{};
    if (info.chained_values)
        info.chained_values(code, length, values.data());
    else
        values[0] = info.value(code, length);
    return values;
}

// The kept heads of one stage, group and opening by their value, each list
// in stored order: for each chain, list v holds those of value v (0 to
// top), and for a grouping joined by its maximum, list top + 1 + v those of
// value v or less.
struct Heads {
    std::vector<std::uint32_t> codes;
    std::vector<std::size_t> starts;  // list i runs from codes[starts[i]] to codes[starts[i + 1]]
    int top = 0;
    int first_chain = 0;
    std::size_t lists = 0;  // for each chain

    RangeRun run(int chain, Wanted wanted, Code tail) const
    {
        if (wanted.at < 0 || (!wanted.or_less && wanted.at > top))
            return {nullptr, 0, tail};
        const auto i = static_cast<std::size_t>(chain - first_chain) * lists +
                       static_cast<std::size_t>(wanted.or_less ? top + 1 + std::min(wanted.at, top) : wanted.at);
        return {codes.data() + starts[i], starts[i + 1] - starts[i], tail};
    }
};

Heads make_heads(const GroupingInfo& info, int c, int k, int s)
{
    const std::vector<std::uint32_t>& kept = kept_heads(c, k, s);
    const auto size = kept.size();
    Heads heads;
    // A ball that reaches these heads has gone past their c - s down-strokes,
    // so it goes on from up-stroke c - s or later.
    heads.first_chain = info.chained_values ? c - s : 0;
    const auto chain_count = static_cast<std::size_t>(info.chained_values ? s + 1 : 1);
    std::vector<std::uint16_t> worth(chain_count * size);  // [chain * size + i], at most largest_value
    for (std::size_t i = 0; i < size; ++i) {
        const std::array<int, cache_size> values = start_values(info, kept[i], 2 * c - s);
        for (std::size_t chain = 0; chain < chain_count; ++chain) {
            worth[chain * size + i] = static_cast<std::uint16_t>(values[heads.first_chain + chain]);
            heads.top = std::max(heads.top, values[heads.first_chain + chain]);
        }
    }
    heads.lists = static_cast<std::size_t>(heads.top + 1) * (info.by_maximum ? 2 : 1);
    heads.codes.reserve(chain_count * size);
    // Each list by a stable counting sort; the lists of "v or less" (a
    // maximum's, up to the stage's height) by a pass for each v.
    heads.starts.push_back(0);
    for (std::size_t chain = 0; chain < chain_count; ++chain) {
        const std::uint16_t* values = &worth[chain * size];
        std::vector<std::size_t> at(static_cast<std::size_t>(heads.top) + 2, 0);
        for (std::size_t i = 0; i < size; ++i)
            ++at[values[i] + 1U];
        const std::size_t first = heads.codes.size();
        for (int v = 0; v <= heads.top; ++v) {
            at[v + 1] += at[v];
            heads.starts.push_back(first + at[v + 1]);
        }
        heads.codes.resize(first + size);
        for (std::size_t i = 0; i < size; ++i)
            heads.codes[first + at[values[i]]++] = kept[i];
        for (int v = 0; info.by_maximum && v <= heads.top; ++v) {
            for (std::size_t i = 0; i < size; ++i)
                if (values[i] <= v)
                    heads.codes.push_back(kept[i]);
            heads.starts.push_back(heads.codes.size());
        }
    }
    return heads;
}

using HeadsStage = std::array<std::array<Heads, cache_size>, cache_size>;  // [k][s]
using Reach = std::vector<std::vector<std::vector<Values>>>;  // [m][opened][chain]: the values of w' there

// One grouping's split, each part built when a walk first needs it.
struct Split {
    std::array<std::unique_ptr<const HeadsStage>, cache_size> heads;  // [c]
    std::array<std::once_flag, cache_size> heads_made;
    std::array<Reach, max_stream_half_length + 1> reach;  // [n]
    std::array<std::once_flag, max_stream_half_length + 1> reach_made;
};

Split& split_of(Grouping grouping)
{
    static std::array<Split, groupings.size()> splits;
    return splits[static_cast<std::size_t>(grouping)];
}

const HeadsStage& heads_of(const GroupingInfo& info, Split& split, int c)
{
    std::call_once(split.heads_made[c], [&] {
        auto stage = std::make_unique<HeadsStage>();
        for (int k = 1; k <= c; ++k)
            for (int s = 0; s <= k; ++s)
                (*stage)[k][s] = make_heads(info, c, k, s);
        split.heads[c] = std::move(stage);
    });
    return *split.heads[c];
}

// Stage 1 from its heads, every later stage from the one before it.
void make_reach(const GroupingInfo& info, Split& split, int half_length)
{
    for (int n = 1; n <= half_length; ++n)
        std::call_once(split.reach_made[n], [&] {
            Reach& reach = split.reach[n];
            reach.resize(static_cast<std::size_t>(n) + 1);
            for (int m = 1; m <= n; ++m) {
                reach[m].resize(static_cast<std::size_t>(m) + 1);
                for (int opened = 0; opened <= m; ++opened) {
                    reach[m][opened].resize(static_cast<std::size_t>(chains(info, n)));
                    for (int chain = 0; chain < chains(info, n); ++chain) {
                        Values& here = reach[m][opened][chain];
                        if (n == 1)
                            here.set(static_cast<std::size_t>(
                                start_values(info, kept_heads(1, 1, opened)[0], 2 - opened)[chain]));
                        for_each_part(n, m, opened, [&](int k, int width, int next_opened) {
                            const Share piece = info.piece({0, chain}, n, width, next_opened);
                            here |= joined(info, split.reach[n - 1][k][next_opened][piece.chain], piece.value);
                            return true;
                        });
                    }
                }
            }
        });
}

// What one walk for a group keeps to the end.
struct GroupWalk {
    const GroupingInfo& info;
    const Split& split;
    const HeadsStage& heads;
    int start;
    int value;
    const std::function<bool(const RangeRun&)>& visit;
};

// As the stream's walk, with `share` the tail's.
bool walk_group(const GroupWalk& walk, int n, int m, int opened, Code tail, int end, Share share)
{
    const Wanted w = wanted(walk.info, walk.value, share.value);
    if (n == walk.start) {
        const RangeRun run = walk.heads[m][opened].run(share.chain, w, tail);
        return run.count == 0 || walk.visit(run);
    }
    if (!reaches(walk.split.reach[n][m][opened][share.chain], w))
        return true;
    return for_each_part(n, m, opened, [&](int k, int width, int next_opened) {
        return walk_group(walk, n - 1, k, next_opened, tail | Code{1} << (end - width), end - width,
                          walk.info.piece(share, n, width, next_opened));
    });
}

// What one walk over every range keeps to the end.
struct ValuedWalk {
    const GroupingInfo& info;
    int start;
    int length;
    std::vector<int>& values;
    const std::function<bool(const RangeRun&, const int*)>& visit;
};

bool walk_valued(const ValuedWalk& walk, int n, int m, int opened, Code tail, int end)
{
    if (n == walk.start) {
        const std::vector<std::uint32_t>& kept = kept_heads(n, m, opened);
        walk.values.resize(kept.size());
        if (walk.info.run_values)
            walk.info.run_values(n, m, opened, tail, walk.length, walk.values.data());
        else
            for (std::size_t i = 0; i < kept.size(); ++i)
                walk.values[i] = walk.info.value(kept[i] | tail, walk.length);
        return walk.visit({kept.data(), kept.size(), tail}, walk.values.data());
    }
    return for_each_part(n, m, opened, [&](int k, int width, int next_opened) {
        return walk_valued(walk, n - 1, k, next_opened, tail | Code{1} << (end - width), end - width);
    });
}

int start_stage(int half_length, int start_half_length)
{
    return std::min(half_length, std::clamp(start_half_length, 1, cached_half_length));
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
    const GroupingInfo& info = grouping_info(grouping);
    if (info.walk == Walk::own)
        return for_each_run(half_length, value, visit, start_half_length);
    if (half_length < 1 || half_length > max_stream_half_length)
        return true;
    if (info.walk == Walk::whole)
        return for_each_valued_run(half_length, grouping, [&](const RangeRun& run, const int* values) {
            // Each stretch of the group's ranges as one run.
            for (std::size_t i = 0; i < run.count;) {
                if (values[i] != value) {
                    ++i;
                    continue;
                }
                std::size_t j = i;
                while (j < run.count && values[j] == value)
                    ++j;
                if (!visit({run.codes + i, j - i, run.tail}))
                    return false;
                i = j;
            }
            return true;
        }, start_half_length);
    const int start = start_stage(half_length, start_half_length);
    Split& split = split_of(grouping);
    make_reach(info, split, half_length);
    const GroupWalk walk{info, split, heads_of(info, split, start), start, value, visit};
    // An empty tail's share is 0, which joins to anything as nothing; the
    // ball starts on the last up-stroke.
    const Share empty{0, info.chained_values ? half_length : 0};
    for (int m = half_length; m >= 1; --m)
        if (!walk_group(walk, half_length, m, 0, 0, 2 * half_length, empty))
            return false;
    return true;
}

bool for_each_valued_run(int half_length, Grouping grouping,
                         const std::function<bool(const RangeRun&, const int*)>& visit, int start_half_length)
{
    if (half_length < 1 || half_length > max_stream_half_length)
        return true;
    std::vector<int> values;
    const ValuedWalk walk{grouping_info(grouping), start_stage(half_length, start_half_length), 2 * half_length,
                          values, visit};
    for (int m = half_length; m >= 1; --m)
        if (!walk_valued(walk, half_length, m, 0, 0, 2 * half_length))
            return false;
    return true;
}

}  // namespace ranges
