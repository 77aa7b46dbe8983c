#include "pairs.h"

#include <algorithm>

namespace ranges {

namespace {

using Polynomial = std::vector<std::uint64_t>;  // in q, lowest power first

// The Gaussian binomials [a choose b]_q for a up to max_stream_half_length,
// by their Pascal rule [a, b] = [a - 1, b - 1] + q^b [a - 1, b]. Each
// coefficient counts the words of b ups and a - b downs by their pairs of a
// down before an up: at most C(31, 15) here.
std::vector<std::vector<Polynomial>> gaussian_binomials()
{
    std::vector<std::vector<Polynomial>> g(max_stream_half_length);
    for (std::size_t a = 0; a < g.size(); ++a) {
        g[a].resize(a + 1);
        for (std::size_t b = 0; b <= a; ++b) {
            Polynomial& p = g[a][b];
            p.assign(b * (a - b) + 1, 0);
            if (b == 0 || b == a) {
                p[0] = 1;
                continue;
            }
            for (std::size_t d = 0; d < g[a - 1][b - 1].size(); ++d)
                p[d] += g[a - 1][b - 1][d];
            for (std::size_t d = 0; d < g[a - 1][b].size(); ++d)
                p[d + b] += g[a - 1][b][d];
        }
    }
    return g;
}

// A polynomial in q (area) and t (bounce) with its terms inside a box: the
// coefficient of q^(area + a) t^(bounce + b) at terms[place(a, b)]. Most of the
// square of areas and bounces is zero for every F(n, k) below: its box keeps
// the tables at 64 to some 80 MB.
struct Box {
    int area = 0;
    int bounce = 0;
    int areas = 0;
    int bounces = 0;
    std::vector<std::uint64_t> terms;  // a row of areas for each bounce

    std::size_t place(int a, int b) const
    {
        return static_cast<std::size_t>(b) * static_cast<std::size_t>(areas) + static_cast<std::size_t>(a);
    }
};

int shift(int k)
{
    return k * (k - 1) / 2;
}

// Every range valued in both groupings, a whole run at a time in the one
// that values runs (dinv), one by one in the other: [first's value - its
// lowest][second's value - its lowest].
std::vector<std::vector<std::uint64_t>> count_streamed_pairs(int half_length, Grouping first, Grouping second)
{
    const GroupingInfo& a = grouping_info(first);
    const GroupingInfo& b = grouping_info(second);
    std::vector<std::vector<std::uint64_t>> table(
        static_cast<std::size_t>(a.highest(half_length) - a.lowest) + 1,
        std::vector<std::uint64_t>(static_cast<std::size_t>(b.highest(half_length) - b.lowest) + 1, 0));
    const bool by_second = b.run_values && !a.run_values;
    const GroupingInfo& other = by_second ? a : b;
    for_each_valued_run(half_length, by_second ? second : first, [&](const RangeRun& run, const int* values) {
        for (std::size_t i = 0; i < run.count; ++i) {
            const int v = other.value(run.codes[i] | run.tail, 2 * half_length);
            ++(by_second ? table[v - a.lowest][values[i] - b.lowest] : table[values[i] - a.lowest][v - b.lowest]);
        }
        return true;
    });
    return table;
}

}  // namespace

// F(n, k) sums q^area t^bounce over the ranges of n up-strokes whose bounce
// path begins with k up-strokes, in the convention of the recursion, which
// counts bounce from the other end (reversing a range and swapping U and D
// maps one convention onto the other and keeps area). F(n, n) = q^(n(n-1)/2), and for k < n
//   F(n, k) = t^(n-k) q^(k(k-1)/2) sum over r = 1 .. n-k of [r+k-1 choose r]_q F(n-k, r);
// the q,t-Catalan numbers are the sum of F(n, k) over k.
std::vector<std::vector<std::uint64_t>> qt_catalan(int half_length)
{
    const int n_last = std::clamp(half_length, 1, max_stream_half_length);
    const std::vector<std::vector<Polynomial>> gauss = gaussian_binomials();
    std::vector<std::vector<Box>> f(static_cast<std::size_t>(n_last) + 1);
    for (int n = 1; n <= n_last; ++n) {
        f[n].resize(static_cast<std::size_t>(n) + 1);
        f[n][n] = {shift(n), 0, 1, 1, {1}};
        for (int k = 1; k < n; ++k) {
            const int m = n - k;
            Box& box = f[n][k];
            // Its box: the union of the terms' boxes.
            int area_end = 0;
            int bounce_end = 0;
            box.area = box.bounce = max_stream_half_length * max_stream_half_length;
            for (int r = 1; r <= m; ++r) {
                const Box& part = f[m][r];
                box.area = std::min(box.area, shift(k) + part.area);
                area_end = std::max(area_end, shift(k) + r * (k - 1) + part.area + part.areas);
                box.bounce = std::min(box.bounce, m + part.bounce);
                bounce_end = std::max(bounce_end, m + part.bounce + part.bounces);
            }
            box.areas = area_end - box.area;
            box.bounces = bounce_end - box.bounce;
            box.terms.assign(static_cast<std::size_t>(box.areas) * static_cast<std::size_t>(box.bounces), 0);
            for (int r = 1; r <= m; ++r) {
                const Box& part = f[m][r];
                const Polynomial& g = gauss[r + k - 1][r];
                for (int b = 0; b < part.bounces; ++b)
                    for (int a = 0; a < part.areas; ++a) {
                        const std::uint64_t x = part.terms[part.place(a, b)];
                        if (x == 0)
                            continue;
                        std::uint64_t* row =
                            &box.terms[box.place(shift(k) + part.area + a - box.area, m + part.bounce + b - box.bounce)];
                        for (std::size_t d = 0; d < g.size(); ++d)
                            row[d] += x * g[d];
                    }
            }
        }
    }
    const auto size = static_cast<std::size_t>(shift(n_last)) + 1;
    std::vector<std::vector<std::uint64_t>> table(size, std::vector<std::uint64_t>(size, 0));
    for (int k = 1; k <= n_last; ++k) {
        const Box& box = f[n_last][k];
        for (int b = 0; b < box.bounces; ++b)
            for (int a = 0; a < box.areas; ++a)
                table[box.area + a][box.bounce + b] += box.terms[box.place(a, b)];
    }
    return table;
}

int longest_pair_half_length(Grouping first, Grouping second)
{
    const GroupingInfo& a = grouping_info(first);
    const GroupingInfo& b = grouping_info(second);
    const bool qt = (first == Grouping::area && b.qt_with_area) || (second == Grouping::area && a.qt_with_area);
    return qt ? max_stream_half_length : longest_streamed_pair_half_length;
}

std::vector<PairCount> count_pairs(int half_length, Grouping first, Grouping second)
{
    const GroupingInfo& a = grouping_info(first);
    const GroupingInfo& b = grouping_info(second);
    if (half_length < 1 || half_length > longest_pair_half_length(first, second) || first == second)
        return {};
    // [first's value - its lowest][second's value - its lowest]
    std::vector<std::vector<std::uint64_t>> table;
    if (longest_pair_half_length(first, second) > longest_streamed_pair_half_length) {
        // Read the same way in all four orders: with dinv first, area is q's
        // partner; the table's mirror is the table (the q,t-symmetry).
        table = qt_catalan(half_length);
    } else {
        table = count_streamed_pairs(half_length, first, second);
    }
    std::vector<PairCount> cells;
    for (const int u : group_values(half_length, first))
        for (const int v : group_values(half_length, second))
            if (const std::uint64_t count = table[u - a.lowest][v - b.lowest]; count != 0)
                cells.push_back({u, v, count});
    return cells;
}

}  // namespace ranges
