#include "ranges.h"

namespace ranges {

namespace {

// Codes are non-negative and shorter than 32 bits, so shifting in unsigned
// arithmetic is exact and equals the floating-point power of two.
std::int32_t with_bit(std::int32_t code, int bit)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(code) | (1U << bit));
}

bool is_up(std::int32_t code, int step)
{
    return ((static_cast<std::uint32_t>(code) >> step) & 1U) != 0;
}

}  // namespace

std::int32_t append_peak(std::int32_t code, int n)
{
    return with_bit(code, 2 * n - 2);
}

std::int32_t join_last_two_mountains(std::int32_t code, int length)
{
    if (length < 2 || length > max_code_length)
        return code;

    std::array<int, max_code_length> step{};
    for (int i = 0; i < length; ++i)
        step[i] = is_up(code, i) ? 1 : -1;

    // Walk back over the last mountain: its first stroke is where the height,
    // summed from the end, first returns to zero.
    int sum = 0;
    int j = length - 1;
    do {
        sum += step[j];
        --j;
    } while (sum != 0 && j >= 0);
    if (sum != 0 || j < 0)
        return code;  // a single mountain (or not a range): nothing to join

    step[j] = 1;  // the D that closed the previous mountain becomes a U
    for (int k = j + 2; k < length; ++k)
        step[k - 1] = step[k];
    step[length - 1] = -1;

    std::int32_t result = 0;
    for (int i = 0; i < length; ++i)
        if (step[i] > 0)
            result = with_bit(result, i);
    return result;
}

RangeTables enumerate_ranges(int half_length)
{
    RangeTables t;
    auto& count = t.range_count;
    auto& table = t.range_table;

    table[1][0] = 1;  // UD, the only range of length 2
    count[1] = 1;

    // The rows are sized for length 16; length 18 would need 1430 codes in a row.
    const int last_stage = half_length < 1 ? 1 : half_length < max_mountains ? half_length : max_mountains;
    t.length = 2 * last_stage;
    for (int n = 2; n <= last_stage; ++n) {
        // Rows are rewritten in place from the top down, so each row is read
        // before the stage overwrites it.
        for (int k = n; k >= 2; --k) {
            const int r = count[k - 1];
            for (int i = 0; i < r; ++i)
                table[k][i] = append_peak(table[k - 1][i], n);
            count[k] = r;
        }
        // A single mountain never ends with a lone peak: row 1 is filled by joins only.
        count[1] = 0;
        // Top down again, so the joins cascade: row k - 1 also receives the
        // joins of what row k has just received from row k + 1.
        for (int k = n; k >= 2; --k) {
            const int r = count[k];
            for (int i = 0; i < r; ++i)
                table[k - 1][count[k - 1] + i] = join_last_two_mountains(table[k][i], 2 * n);
            count[k - 1] += r;
        }
    }
    return t;
}

std::string range_word(std::int32_t code, int length)
{
    std::string word;
    for (int i = 0; i < length; ++i)
        word += is_up(code, i) ? 'U' : 'D';
    return word;
}

}  // namespace ranges
