#include "ranges.h"

#include <algorithm>

namespace ranges {

namespace {

bool is_up(Code code, int step)
{
    return ((code >> step) & 1U) != 0;
}

}  // namespace

Code append_peak(Code code, int n)
{
    return code | Code{1} << (2 * n - 2);
}

Code join_last_two_mountains(Code code, int length)
{
    if (length < 2 || length > max_code_length)
        return code;

    // Walk back over the last mountain: its first stroke is where the height,
    // summed from the end, first returns to zero.
    int sum = 0;
    int j = length - 1;
    do {
        sum += is_up(code, j) ? 1 : -1;
        --j;
    } while (sum != 0 && j >= 0);
    if (sum != 0 || j < 0)
        return code;  // a single mountain (or not a range): nothing to join

    // The D at j that closed the previous mountain becomes a U, the last
    // mountain's opening U goes, and its strokes move down one place onto
    // the closing D that the end gains. The last mountain has two strokes at
    // least, so j + 2 < length and no shift reaches 64.
    const Code before = code & ((Code{1} << j) - 1);
    return before | Code{1} << j | (code >> (j + 2)) << (j + 1);
}

RangeTables enumerate_ranges(int half_length)
{
    const int last_stage = std::clamp(half_length, 1, max_code_length / 2);
    RangeTables t;
    auto& table = t.range_table;
    table.resize(last_stage + 1);
    table[1] = {1};  // UD, the only range of length 2

    for (int n = 2; n <= last_stage; ++n) {
        // Top down, so each row is read before the stage overwrites it.
        for (int k = n; k >= 2; --k) {
            table[k] = table[k - 1];
            for (Code& code : table[k])
                code = append_peak(code, n);
        }
        // A single mountain never ends with a lone peak: row 1 is filled by joins only.
        table[1].clear();
        // Top down again, so the joins cascade: row k - 1 also receives the
        // joins of what row k has just received from row k + 1.
        for (int k = n; k >= 2; --k)
            for (Code code : table[k])
                table[k - 1].push_back(join_last_two_mountains(code, 2 * n));
    }
    return t;
}

}  // namespace ranges
