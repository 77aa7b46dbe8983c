#include "layout.h"

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

Gallery make_gallery(int length, ranges::Grouping grouping)
{
    Gallery gallery{length, grouping, {}};
    for (const int value : ranges::group_values(length / 2, grouping)) {
        gallery.groups.push_back({value, {}});
        ranges::for_each_in_group(length / 2, grouping, value,
                                  [&](ranges::Code code) { gallery.groups.back().codes.push_back(code); });
    }
    return gallery;
}

std::vector<Page> lay_out_gallery(const Gallery& gallery)
{
    std::vector<Page> pages(1);
    pages.back().push_back({Item::Kind::title, 0, 0, title_x, title_y});
    int baseline = first_baseline;
    int cell_x = first_cell_x;

    for (int g = 0; g < static_cast<int>(gallery.groups.size()); ++g) {
        const Group& group = gallery.groups[g];
        baseline += group_advance;
        cell_x = first_cell_x;
        // The caption sits above the group's first row by 3 pixels less per
        // unit of the group's value.
        pages.back().push_back({Item::Kind::caption, g, 0, caption_x, baseline - group_advance + 3 * group.value});

        for (int i = 0; i < static_cast<int>(group.codes.size()); ++i) {
            pages.back().push_back({Item::Kind::range, g, i, cell_x, baseline});

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
