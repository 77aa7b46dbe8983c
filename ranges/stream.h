// The ranges of any length up to 64, group by group in stored order, without
// tables that grow with their number.
//
// Stage n of the enumeration gives row m the ranges of row m - 1 of stage
// n - 1 with a peak appended, then the ranges of its own row m + 1 with their
// last two mountains joined. Unrolled, group m of stage n is A(G(n-1, m-1)),
// J(A(G(n-1, m))), J^2(A(G(n-1, m+1))), ... in turn, and J^j A(w) is w with the
// closing D of its last j mountains taken out and U D^(j+1) put at the end.
// Only the end of a word changes, so a walk down the stages from n to a small
// stage c carries two things: the strokes that will follow, and how many of
// the last mountains of a stage-c range lose their closing D. The groups of
// stage c are kept in memory with each number of closing Ds taken out; every
// group of stage n is then runs of those codes, each run with one fixed tail.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <vector>

#include "ranges.h"

namespace ranges {

constexpr int max_stream_half_length = max_code_length / 2;
constexpr int cached_half_length = 10;  // 82,498 kept codes in all, a third of a megabyte
constexpr std::size_t cache_size = cached_half_length + 1;  // arrays indexed by a kept stage, k or s

// Consecutive ranges of one group in stored order: codes[i] | tail for i < count.
struct RangeRun {
    const std::uint32_t* codes;
    std::size_t count;
    Code tail;
};

// The ranges of stage c (1 to cached_half_length) with k mountains (1 to c),
// in stored order, each with the closing D of its last s mountains (0 to k)
// taken out: words of 2c - s strokes that end at level s. A stage is built
// the first time any of its groups is asked for, and kept.
const std::vector<std::uint32_t>& kept_heads(int c, int k, int s);

// One stage of the walk down from group m of stage n, when the stages above
// have opened its last `opened` mountains (taken out their closing Ds): calls
// step(k, width, next_opened) for each part of the group in stored order.
// The part's words are those below group k of stage n - 1 with next_opened
// mountains open, each followed by the piece U D^(width - 1), which starts at
// level next_opened and ends at level `opened`. Stops at the first step that
// returns false, and returns false then.
template <typename Step>
bool for_each_part(int n, int m, int opened, Step&& step)
{
    // Part j: J^j A(w) for w in group m - 1 + j of stage n - 1, which is w
    // with j closing Ds out and U D^(j+1) after it. When the stages above
    // open the last mountain, that is this U D^(j+1), which loses its own
    // last D, and the opening runs on into w's mountains.
    for (int j = m > 1 ? 0 : 1; j <= n - m; ++j)
        if (!step(m - 1 + j, opened > 0 ? j + 1 : j + 2, opened > 0 ? opened + j - 1 : j))
            return false;
    return true;
}

// The number of ranges of length 2 * half_length with `mountains` mountains,
// exact for half_length 1 to 32; 0 outside 1 <= mountains <= half_length <= 32.
std::uint64_t count_ranges(int half_length, int mountains);

// Calls `visit` with the runs that make up group `mountains` of length
// 2 * half_length (1 to 32), in stored order, walking down to the kept groups
// of stage `start_half_length` (1 to cached_half_length; the later the stage,
// the longer the runs, the ranges the same). Stops when `visit` returns
// false, and returns false then; visits nothing for a group that does not exist.
bool for_each_run(int half_length, int mountains, const std::function<bool(const RangeRun&)>& visit,
                  int start_half_length = cached_half_length);

// The letters of eight strokes for every byte of a code, first stroke first.
inline constexpr std::array<std::array<char, 8>, 256> stroke_letters = [] {
    std::array<std::array<char, 8>, 256> letters{};
    for (std::size_t byte = 0; byte < letters.size(); ++byte)
        for (std::size_t i = 0; i < 8; ++i)
            letters[byte][i] = ((byte >> i) & 1U) != 0 ? 'U' : 'D';
    return letters;
}();

// Writes the word of the range `code` of `length` strokes (up to 64) at `out`
// and returns out + length; the bytes up to the next multiple of 8 after
// `out` are overwritten as well, so the room there must be writable.
inline char* put_word(Code code, int length, char* out)
{
    for (int i = 0; i < length; i += 8)
        std::memcpy(out + i, stroke_letters[(code >> i) & 0xFFU].data(), 8);
    return out + length;
}

}  // namespace ranges
