// Where the title and every caption and range of the gallery go, and where
// its pages break: plain arithmetic on the range counts, with no window involved.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ranges/ranges.h"

namespace gallery {

// One thing to draw: the title or a group's caption with its top left corner
// at (x, y), or range `index` of the group starting at (x, y) on its ground line.
struct Item {
    enum class Kind { title, caption, range };
    Kind kind;
    int mountains;  // the group's; 0 for the title
    int index;      // position in the group's row of the range table; 0 for a text
    int x;
    int y;
};

// The items of one page, in the order they are drawn.
using Page = std::vector<Item>;

using RangeCounts = std::array<std::int32_t, ranges::max_mountains + 1>;

// The sizes of rows 0 to max_mountains of `tables`; 0 for a row it lacks.
RangeCounts range_counts(const ranges::RangeTables& tables);

// Lays out groups from `top_group` mountains down to 1, with range_count[m]
// ranges in group m, seven to a row, breaking the page whenever a row would
// pass the page bottom. The first page opens with the title.
std::vector<Page> lay_out_gallery(const RangeCounts& range_count, int top_group = ranges::max_mountains);

}  // namespace gallery
