// The poster of every range of a length, laid out and drawn into memory canvases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include "canvas.h"
#include "gallery/poster.h"

namespace {

using namespace testing_canvas;
using gallery::Item;

// Draws the part of `poster` in [x0, x1) x [y0, y1) of the sheet onto a
// canvas m pixels larger all round, each text as a solid block and then each
// range in its own colour, and returns where two colours come within 4 blank
// pixels (a stroke's width, and one more as the vector strokes reach half a
// pixel further than the bitmap's on every side) or ink lies within 10 of the
// sheet's edge; "" if nowhere.
std::string first_fault(const gallery::Gallery& g, const gallery::TextImages& texts, const gallery::Poster& poster,
                        int x0, int y0, int x1, int y1)
{
    constexpr int m = 16, c = 4, margin = 10, reach = 6 * gallery::longest_poster_length + m;
    TestCanvas canvas(x1 - x0 + 2 * m, y1 - y0 + 2 * m);
    const auto pixel = [&](int x, int y) { return canvas.at(x - x0 + m, y - y0 + m); };
    for (const Item& item : poster.items)
        if (item.kind != Item::Kind::range)
            gallery::stamp_text(canvas.view(), texts.images[item.index], item.x - x0 + m, item.y - y0 + m, 0);
    std::uint32_t colour = 0;  // each range's own, from 1 up
    for (const Item& item : poster.items) {
        if (item.kind != Item::Kind::range)
            continue;
        ++colour;
        raster::Pen pen{item.x - x0 + m, item.y - y0 + m};
        const auto code = static_cast<std::uint32_t>(g.groups[item.group].codes[item.index]);
        // Far off the canvas, a stroke draws nothing at the full cost.
        if (item.x > x0 - reach && item.x < x1 + reach && item.y > y0 - reach && item.y < y1 + reach)
            raster::draw_range(canvas.view(), pen, code, g.length, colour);
    }
    const std::string near = first_point(x0 - m + c, y0 - m, x1 + m - c, y1 + m - c, [&](int x, int y) {
        return pixel(x, y) != white && !first_point(x - c, y, x + c + 1, y + c + 1, [&](int u, int v) {
                                           return pixel(u, v) != white && pixel(u, v) != pixel(x, y);
                                       }).empty();
    });
    const std::string edge = first_point(x0 - m, y0 - m, x1 + m, y1 + m, [&](int x, int y) {
        return pixel(x, y) != white &&
               (x < margin || y < margin || x >= poster.width - margin || y >= poster.height - margin);
    });
    return (near.empty() ? "" : "two colours close at " + near) + (edge.empty() ? "" : " ink in the margin at " + edge);
}

// Every grouping of the table, whatever its name, at every length.
TEST(Poster, HoldsEveryRangeOnceInTurnClearOfTheRestInsideTheMarginsOnAnUprightSheet)
{
    const std::size_t catalan[] = {1, 2, 5, 14, 42, 132, 429, 1430, 4862, 16796};
    for (std::size_t grouping = 0; grouping < ranges::groupings.size(); ++grouping)
        for (int length = 2; length <= gallery::longest_poster_length; length += 2) {
            const std::string at = ranges::groupings[grouping].name + (", length " + std::to_string(length));
            const gallery::Gallery g = gallery::make_gallery(length, static_cast<ranges::Grouping>(grouping));
            gallery::TextImages texts;  // blocks as large as the real font makes them (under 12 pixels a character)
            for (const std::string& text : g.texts) {
                const int width = 12 * static_cast<int>(text.size()), height = 23 + length % 4;
                texts.images.push_back({width, height, std::vector<std::uint8_t>(std::size_t(width) * height, 1)});
            }
            const gallery::Poster poster = gallery::lay_out_poster(g, texts);

            std::vector<std::tuple<Item::Kind, int, int>> expected{{Item::Kind::title, 0, 0}}, found;
            for (int group = 0; group < int(g.groups.size()); ++group) {
                expected.emplace_back(Item::Kind::caption, group, g.groups[group].caption);
                for (int i = 0; i < int(g.groups[group].codes.size()); ++i)
                    expected.emplace_back(Item::Kind::range, group, i);
            }
            std::set<int> columns;
            for (const Item& item : poster.items) {
                found.emplace_back(item.kind, item.group, item.index);
                if (item.kind == Item::Kind::range)
                    columns.insert(item.x);
            }
            EXPECT_EQ(expected.size(), 1 + g.groups.size() + catalan[length / 2 - 1]) << at;
            ASSERT_TRUE(found == expected) << at << ": items out of turn";

            // A column fewer makes the sheet about c / (c - 1) times narrower
            // and as much taller: the nearest height over width lies within
            // half such a step of sqrt(2), or a whole one where rows fill
            // unevenly, and no neighbour comes nearer. A single column may
            // leave the sheet lower, under a title wider than it needs.
            const auto off = [](const gallery::Poster& p) {
                return std::abs(std::log(p.height / (std::sqrt(2.0) * p.width)));
            };
            const double c = double(columns.size());
            const bool lower = poster.height < std::sqrt(2.0) * poster.width;
            EXPECT_TRUE(c == 1 ? lower : off(poster) <= 2 * std::log(c / (c - 1)))
                << at << ": " << c << " columns, " << poster.width << " x " << poster.height;
            const std::size_t largest = std::max_element(g.groups.begin(), g.groups.end(), [](auto& a, auto& b) {
                                            return a.codes.size() < b.codes.size();
                                        })->codes.size();
            for (const int other : {int(c) - 1, int(c) + 1})
                if (other >= 1 && other <= int(largest)) {
                    EXPECT_LE(off(poster), off(gallery::lay_out_poster(g, texts, other))) << at << ", " << other;
                }

            // Whole sheets up to length 16; at 18 and 20, sheets of about 27
            // and 106 million pixels, the corners that hold the title, the
            // first groups and the last rows.
            const int w = poster.width, h = poster.height, side = length <= 16 ? std::max(w, h) : 1024;
            EXPECT_EQ(first_fault(g, texts, poster, 0, 0, std::min(w, side), std::min(h, side)), "") << at;
            if (side < std::max(w, h)) {
                EXPECT_EQ(first_fault(g, texts, poster, std::max(0, w - side), std::max(0, h - side), w, h), "") << at;
            }
        }
}

}  // namespace
