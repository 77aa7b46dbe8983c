#include "stream.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace ranges {

namespace {

// [k][s]: the ranges of one stage with k mountains, in stored order, each
// with the closing D of its last s mountains taken out.
using Stage = std::array<std::array<std::vector<std::uint32_t>, cache_size>, cache_size>;

Code without_closing_downs(Code code, int length, int count)
{
    std::array<int, max_stream_half_length> returns{};
    int found = 0;
    int height = 0;
    for (int i = 0; i < length; ++i) {
        height += ((code >> i) & 1U) != 0 ? 1 : -1;
        if (height == 0)
            returns[found++] = i;
    }
    // From the last one back, so that the places of those before stay put.
    for (int r = found - 1; r >= found - count; --r) {
        const int at = returns[r];
        code = (code & ((Code{1} << at) - 1)) | (code >> (at + 1)) << at;
    }
    return code;
}

// Built on first use: the gallery of length 16 needs stage 8 alone, and a
// listing the stage its walk stops at.
const Stage& kept_stage(int c)
{
    static std::array<Stage, cache_size> stages;
    static std::array<std::once_flag, cache_size> made;
    std::call_once(made[c], [c] {
        const RangeTables t = enumerate_ranges(c);
        for (int k = 1; k <= c; ++k)
            for (int s = 0; s <= k; ++s)
                for (const Code code : t.range_table[k])
                    stages[c][k][s].push_back(static_cast<std::uint32_t>(without_closing_downs(code, 2 * c, s)));
    });
    return stages[c];
}

// Group m of stage n, down to stage `start`, every range followed by `tail`
// (its first stroke at bit `end`) once the closing D of its last `opened`
// mountains is taken out. A walk down never opens more mountains than a
// range has.
bool walk(const Stage& kept, int start, int n, int m, int opened, Code tail, int end,
          const std::function<bool(const RangeRun&)>& visit)
{
    if (n == start) {
        const std::vector<std::uint32_t>& codes = kept[m][opened];
        return visit({codes.data(), codes.size(), tail});
    }
    return for_each_part(n, m, opened, [&](int k, int width, int next_opened) {
        return walk(kept, start, n - 1, k, next_opened, tail | Code{1} << (end - width), end - width, visit);
    });
}

}  // namespace

const std::vector<std::uint32_t>& kept_heads(int c, int k, int s)
{
    return kept_stage(c)[k][s];
}

std::uint64_t count_ranges(int half_length, int mountains)
{
    // c(n, m) = c(n - 1, m - 1) + c(n, m + 1), the sizes of the two parts of a
    // group; row 0 and the column past the diagonal stay 0.
    static constexpr auto counts = [] {
        std::array<std::array<std::uint64_t, max_stream_half_length + 2>, max_stream_half_length + 1> c{};
        c[1][1] = 1;
        for (int n = 2; n <= max_stream_half_length; ++n)
            for (int m = n; m >= 1; --m)
                c[n][m] = c[n - 1][m - 1] + c[n][m + 1];
        return c;
    }();
    if (half_length < 1 || half_length > max_stream_half_length || mountains < 1 || mountains > half_length)
        return 0;
    return counts[half_length][mountains];
}

bool for_each_run(int half_length, int mountains, const std::function<bool(const RangeRun&)>& visit,
                  int start_half_length)
{
    if (half_length < 1 || half_length > max_stream_half_length || mountains < 1 || mountains > half_length)
        return true;
    const int start = std::min(half_length, std::clamp(start_half_length, 1, cached_half_length));
    return walk(kept_stage(start), start, half_length, mountains, 0, 0, 2 * half_length, visit);
}

}  // namespace ranges
