#include "layout.h"

#include <algorithm>

namespace gallery {

namespace {

constexpr int title_x = 10;
constexpr int title_y = 5;
constexpr int first_baseline = 30;  // row baseline before the first group
constexpr int group_advance = 68;   // from the last row of a group to the first of the next
constexpr int caption_x = 10;
constexpr int first_cell_x = 10;
constexpr int cell_pitch = 111;     // 96 pixels of range and 15 of gap
constexpr int last_cell_x = 732;    // seven cells: 10, 121, ..., 676
constexpr int row_pitch = 48;
constexpr int page_bottom = 552;    // a row baseline below this starts a new page
constexpr int fresh_page_baseline = 58;

}  // namespace

RangeCounts range_counts(const ranges::RangeTables& tables)
{
    RangeCounts counts{};
    for (std::size_t m = 0; m < counts.size() && m < tables.range_table.size(); ++m)
        counts[m] = static_cast<std::int32_t>(tables.range_table[m].size());
    return counts;
}

std::vector<Page> lay_out_gallery(const RangeCounts& range_count, int top_group)
{
    std::vector<Page> pages(1);
    pages.back().push_back({Item::Kind::title, 0, 0, title_x, title_y});
    int baseline = first_baseline;
    int cell_x = first_cell_x;

    for (int m = std::min(top_group, ranges::max_mountains); m >= 1; --m) {
        baseline += group_advance;
        cell_x = first_cell_x;
        // Groups of fewer mountains have their caption further above their
        // first row, by 3 pixels per mountain less.
        pages.back().push_back({Item::Kind::caption, m, 0, caption_x, baseline - group_advance + 3 * m});

        for (int i = 0; i < range_count[m]; ++i) {
            pages.back().push_back({Item::Kind::range, m, i, cell_x, baseline});

            cell_x += cell_pitch;
            if (cell_x > last_cell_x) {
                baseline += row_pitch;
                cell_x = first_cell_x;
            }
            // Tested after every range, so a page can end in the middle of a
            // group; the group then goes on at the top of the next page
            // without repeating its caption.
            if (baseline > page_bottom) {
                pages.emplace_back();
                cell_x = first_cell_x;
                baseline = fresh_page_baseline;
            }
        }
    }
    // A page break right after the very last range would leave an empty page.
    if (pages.size() > 1 && pages.back().empty())
        pages.pop_back();
    return pages;
}

}  // namespace gallery
