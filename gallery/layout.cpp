#include "layout.h"

#include <algorithm>
#include <cstdio>

#include "raster/raster.h"

namespace gallery {

namespace {

constexpr int title_x = margin;
constexpr int title_y = 5;
constexpr int caption_x = margin;
constexpr int first_cell_x = margin;
constexpr int cell_pitch = 111;   // 96 pixels of range and 15 of gap
constexpr int wrap_x = 732;       // a row wraps before a cell would start past this: seven cells, 10 to 676
constexpr int cells_per_row = (wrap_x - first_cell_x) / cell_pitch + 1;

// By mountains, the rows have their fixed places.
constexpr int first_baseline = 30;  // row baseline before the first group
constexpr int group_advance = 68;   // from the last row of a group to the first of the next
constexpr int row_pitch = 48;
constexpr int page_bottom = 552;    // a row baseline below this starts a new page
constexpr int fresh_page_baseline = 58;

// By any other grouping, the rows stack down to the bottom margin.
constexpr int lowest_ground = page_height - margin;

std::string caption_text(ranges::Grouping grouping, int value)
{
    char text[64];
    std::snprintf(text, sizeof text, ranges::grouping_info(grouping).caption, value);
    return text;
}

std::vector<Page> lay_out_by_mountains(const Gallery& gallery)
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
        // mountain.
        const int caption_y = baseline - group_advance + 3 * group.value;
        pages.back().push_back({Item::Kind::caption, g, group.caption, caption_x, caption_y});

        for (int i = 0; i < static_cast<int>(group.codes.size()); ++i) {
            pages.back().push_back({Item::Kind::range, g, i, cell_x, baseline});

            cell_x += cell_pitch;
            if (cell_x > wrap_x) {
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

// The ground line of a row of ranges at most `height` levels high whose
// strokes reach up to pixel row `top`.
int ground_below(int top, int height)
{
    return top + raster::stroke_step * height + raster::stroke_half_width;
}

// The tallest range among `count` of `group` from `first` on, in levels.
int tallest(const Group& group, int first, int count, int length)
{
    int height = 0;
    for (int i = first; i < first + count; ++i)
        height = std::max(height, ranges::group_value(group.codes[i], length, ranges::Grouping::height));
    return height;
}

std::vector<Page> lay_out_in_rows(const Gallery& gallery, int text_height)
{
    std::vector<Page> pages(1);
    pages.back().push_back({Item::Kind::title, 0, 0, title_x, title_y});
    int next_caption = title_y + text_height + title_gap;
    int next_row = 0;  // where the top of the group's next row may lie
    for (int g = 0; g < static_cast<int>(gallery.groups.size()); ++g) {
        const Group& group = gallery.groups[g];
        const int size = static_cast<int>(group.codes.size());
        for (int first = 0; first < size; first += cells_per_row) {
            const int count = std::min(cells_per_row, size - first);
            const int height = tallest(group, first, count, gallery.length);
            // A row goes under the last on its page, or a group's first row
            // under its caption; what does not fit opens the next page.
            int caption = first == 0 ? group.caption : -1;
            int caption_y = next_caption;
            int baseline = ground_below(caption >= 0 ? caption_y + text_height + text_clearance : next_row, height);
            if (baseline > lowest_ground) {
                pages.emplace_back();
                caption = first == 0 ? group.caption : group.continued;
                caption_y = title_y;
                baseline = ground_below(caption_y + text_height + text_clearance, height);
            }
            if (caption >= 0)
                pages.back().push_back({Item::Kind::caption, g, caption, caption_x, caption_y});
            for (int i = first; i < first + count; ++i)
                pages.back().push_back({Item::Kind::range, g, i, first_cell_x + (i - first) * cell_pitch, baseline});
            next_row = baseline + 1 + range_clearance;
            next_caption = baseline + 1 + group_gap;
        }
    }
    return pages;
}

}  // namespace

Gallery make_gallery(int length, ranges::Grouping grouping)
{
    const ranges::GroupingInfo& info = ranges::grouping_info(grouping);
    Gallery gallery{length, grouping, {}, {" MOUNTAIN RANGES WITH LENGTH " + std::to_string(length) + info.heading}};
    for (const int value : ranges::group_values(length / 2, grouping)) {
        const int caption = static_cast<int>(gallery.texts.size());
        gallery.texts.push_back(caption_text(grouping, value));
        if (info.continued)
            gallery.texts.push_back(gallery.texts.back() + ", continued");
        gallery.groups.push_back({value, {}, caption, info.continued ? caption + 1 : -1});
        ranges::for_each_in_group(length / 2, grouping, value,
                                  [&](ranges::Code code) { gallery.groups.back().codes.push_back(code); });
    }
    return gallery;
}

std::string title_bar(const Gallery& gallery, int page, int pages)
{
    return "Mountain ranges of length " + std::to_string(gallery.length) +
           ranges::grouping_info(gallery.grouping).title_words + " \u2014 page " + std::to_string(page) + " of " +
           std::to_string(pages);
}

std::vector<Page> lay_out_gallery(const Gallery& gallery, int text_height)
{
    return ranges::grouping_info(gallery.grouping).fixed_rows ? lay_out_by_mountains(gallery)
                                                              : lay_out_in_rows(gallery, text_height);
}

}  // namespace gallery
