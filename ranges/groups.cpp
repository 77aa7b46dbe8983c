// A group's ranges in gallery order, walked down the stream: into the
// branches that can still reach its value, or over every range valued.
#include "groups.h"

#include <algorithm>
#include <bitset>
#include <memory>
#include <mutex>

namespace ranges {

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
