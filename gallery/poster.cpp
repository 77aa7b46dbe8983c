#include "poster.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace gallery {

namespace {

// From a range's end to the next one's start in a row, as in the pages' cells
// (111 = 96 + 15), so that neighbours do not read as one range.
constexpr int range_gap = 15;

// The bitmap inks a pixel left of and above a range's strokes, none right of
// or below them.
constexpr int first_range_x = margin + raster::stroke_half_width;

// Every range's height in levels, group by group.
using Heights = std::vector<std::vector<int>>;

Heights range_heights(const Gallery& gallery)
{
    Heights heights;
    for (const Group& group : gallery.groups) {
        heights.emplace_back();
        for (const ranges::Code code : group.codes)
            heights.back().push_back(ranges::group_value(code, gallery.length, ranges::Grouping::height));
    }
    return heights;
}

Poster lay_out_in_columns(const Gallery& gallery, const Heights& heights, const TextImages& texts, int columns)
{
    const int text_box_height = text_height(texts);
    int widest_text = texts.images[0].width;
    for (const Group& group : gallery.groups)
        widest_text = std::max(widest_text, texts.images[group.caption].width);
    const int range_width = raster::stroke_step * gallery.length;
    const int pitch = range_width + range_gap;
    const int ranges_width = first_range_x + (columns - 1) * pitch + range_width + 1 + margin;
    Poster poster{std::max(widest_text + 2 * margin, ranges_width), 0, {}};
    poster.items.push_back({Item::Kind::title, 0, 0, margin, margin});
    int caption_y = margin + text_box_height + title_gap;
    int ground = 0;
    for (int g = 0; g < static_cast<int>(gallery.groups.size()); ++g) {
        const std::vector<int>& group_heights = heights[g];
        const int size = static_cast<int>(group_heights.size());
        int top = caption_y + text_box_height + poster_clearance;  // where the next row's ink may start
        for (int first = 0; first < size; first += columns) {
            const int end = std::min(size, first + columns);
            if (first == 0)
                poster.items.push_back({Item::Kind::caption, g, gallery.groups[g].caption, margin, caption_y});
            const int tallest = *std::max_element(group_heights.begin() + first, group_heights.begin() + end);
            ground = top + raster::stroke_step * tallest + raster::stroke_half_width;
            for (int i = first; i < end; ++i)
                poster.items.push_back({Item::Kind::range, g, i, first_range_x + (i - first) * pitch, ground});
            top = ground + 1 + poster_clearance;
            caption_y = ground + 1 + group_gap;
        }
    }
    poster.height = ground + 1 + margin;
    return poster;
}

// How far the sheet's height over width lies from an A-series sheet's, as a
// factor either way.
double off_a_series(const Poster& poster)
{
    return std::abs(std::log(poster.height / (std::sqrt(2.0) * poster.width)));
}

}  // namespace

Poster lay_out_poster(const Gallery& gallery, const TextImages& texts, int columns)
{
    return lay_out_in_columns(gallery, range_heights(gallery), texts, columns);
}

Poster lay_out_poster(const Gallery& gallery, const TextImages& texts)
{
    const Heights heights = range_heights(gallery);
    int largest_group = 1;
    for (const std::vector<int>& group : heights)
        largest_group = std::max(largest_group, static_cast<int>(group.size()));
    const auto lay_out = [&](int columns) { return lay_out_in_columns(gallery, heights, texts, columns); };
    // Each column more makes the sheet wider and, near enough, shorter: find
    // by halving the fewest columns whose sheet is no taller than an A-series
    // sheet. As rows fill unevenly, the height does not fall evenly, so then
    // step to a neighbour for as long as one comes nearer.
    int low = 1;
    int high = largest_group;
    while (low < high) {
        const int middle = (low + high) / 2;
        const Poster poster = lay_out(middle);
        if (poster.height > std::sqrt(2.0) * poster.width)
            low = middle + 1;
        else
            high = middle;
    }
    int columns = low;
    Poster poster = lay_out(columns);
    for (const int step : {-1, 1}) {
        while (columns + step >= 1 && columns + step <= largest_group) {
            Poster next = lay_out(columns + step);
            if (off_a_series(next) >= off_a_series(poster))
                break;
            poster = std::move(next);
            columns += step;
        }
    }
    return poster;
}

}  // namespace gallery
