#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "gallery/layout.h"
#include "canvas.h"
#include "raster/raster.h"
#include "ranges/ranges.h"

namespace {

using gallery::Item;
using gallery::Page;

std::vector<Page> gallery_pages()
{
    return gallery::lay_out_gallery(gallery::range_counts(ranges::enumerate_ranges()));
}

std::vector<Item> ranges_on(const Page& page)
{
    std::vector<Item> items;
    std::copy_if(page.begin(), page.end(), std::back_inserter(items),
                 [](const Item& item) { return item.kind == Item::Kind::range; });
    return items;
}

// "m:i" for range i (counted from 1) of group m.
std::string name(const Item& item)
{
    return std::to_string(item.mountains) + ":" + std::to_string(item.index + 1);
}

TEST(Layout, TwentyPagesWithTheirRanges)
{
    struct Expected {
        std::size_t ranges;
        const char* first;
        const char* last;
    };
    const Expected table[] = {
        {49, "8:1", "5:14"},    {68, "5:15", "4:7"},    {77, "4:8", "4:84"},    {77, "4:85", "4:161"},
        {67, "4:162", "3:63"},  {77, "3:64", "3:140"},  {77, "3:141", "3:217"}, {77, "3:218", "3:294"},
        {66, "3:295", "2:63"},  {77, "2:64", "2:140"},  {77, "2:141", "2:217"}, {77, "2:218", "2:294"},
        {77, "2:295", "2:371"}, {65, "2:372", "1:7"},   {77, "1:8", "1:84"},    {77, "1:85", "1:161"},
        {77, "1:162", "1:238"}, {77, "1:239", "1:315"}, {77, "1:316", "1:392"}, {37, "1:393", "1:429"},
    };
    const std::vector<Page> pages = gallery_pages();
    ASSERT_EQ(pages.size(), 20U);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const std::vector<Item> items = ranges_on(pages[p]);
        ASSERT_EQ(items.size(), table[p].ranges) << "page " << p + 1;
        EXPECT_EQ(name(items.front()), table[p].first) << "page " << p + 1;
        EXPECT_EQ(name(items.back()), table[p].last) << "page " << p + 1;
    }
}

TEST(Layout, CaptionsOpenTheirGroups)
{
    struct Expected {
        int mountains, page, y;
    };
    const Expected table[] = {{8, 1, 54},  {7, 1, 119}, {6, 1, 232}, {5, 1, 441},
                              {4, 2, 454}, {3, 5, 67},  {2, 9, 64},  {1, 14, 445}};
    const std::vector<Page> pages = gallery_pages();
    std::vector<Expected> found;
    for (std::size_t p = 0; p < pages.size(); ++p)
        for (const Item& item : pages[p])
            if (item.kind == Item::Kind::caption) {
                found.push_back({item.mountains, static_cast<int>(p + 1), item.y});
                EXPECT_EQ(item.x, 10);
            }
    ASSERT_EQ(found.size(), 8U);
    for (std::size_t i = 0; i < found.size(); ++i) {
        EXPECT_EQ(found[i].mountains, table[i].mountains);
        EXPECT_EQ(found[i].page, table[i].page) << "group " << table[i].mountains;
        EXPECT_EQ(found[i].y, table[i].y) << "group " << table[i].mountains;
    }
    // The title opens the first page, and each caption comes before the
    // first range of its group.
    EXPECT_EQ(pages[0][0].kind, Item::Kind::title);
    EXPECT_EQ(pages[0][0].x, 10);
    EXPECT_EQ(pages[0][0].y, 5);
    EXPECT_EQ(pages[0][1].kind, Item::Kind::caption);
    EXPECT_EQ(name(pages[0][2]), "8:1");
    EXPECT_EQ(pages[0][2].y, 98);
}

TEST(Layout, FullPagesHoldElevenRowsOfSeven)
{
    const std::vector<Page> pages = gallery_pages();
    const std::vector<Item> items = ranges_on(pages[2]);
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i].x, 10 + 111 * static_cast<int>(i % 7)) << i;
        EXPECT_EQ(items[i].y, 58 + 48 * static_cast<int>(i / 7)) << i;
    }
    // Groups may open in the middle of a page.
    const std::vector<Item> fifth = ranges_on(pages[4]);
    EXPECT_EQ(fifth[3].x, 343);
    EXPECT_EQ(fifth[3].y, 58);
    EXPECT_EQ(name(fifth[4]), "3:1");
    EXPECT_EQ(fifth[4].x, 10);
    EXPECT_EQ(fifth[4].y, 126);
    // The last range of page 1 ends its row at the bottom of the page.
    const std::vector<Item> first = ranges_on(pages[0]);
    EXPECT_EQ(first.back().x, 676);
    EXPECT_EQ(first.back().y, 542);
}

TEST(Layout, EveryStrokeStaysWellInsideTheWindow)
{
    const ranges::RangeTables tables = ranges::enumerate_ranges();
    int left = 800, right = -1, top = 600, bottom = -1;
    for (const Page& page : gallery::lay_out_gallery(gallery::range_counts(tables))) {
        testing_canvas::TestCanvas canvas(800, 600);
        for (const Item& item : ranges_on(page)) {
            raster::Pen pen{item.x, item.y};
            raster::draw_range(canvas.view(), pen, tables.range_table[item.mountains][item.index], 16,
                               testing_canvas::blue);
        }
        for (const auto& [x, y] : canvas.painted()) {
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    EXPECT_EQ(left, 9);
    EXPECT_EQ(right, 772);
    EXPECT_EQ(top, 21);
    EXPECT_EQ(bottom, 542);
}

TEST(Layout, EveryLengthOpensWithTheTitleAndRunsItsGroupsDown)
{
    // Pages of lengths 2, 4, ..., 16.
    const std::size_t page_counts[] = {1, 1, 1, 1, 2, 3, 7, 20};
    for (int half = 1; half <= ranges::max_mountains; ++half) {
        const ranges::RangeTables tables = ranges::enumerate_ranges(half);
        const std::vector<Page> pages = gallery::lay_out_gallery(gallery::range_counts(tables), half);
        EXPECT_EQ(pages.size(), page_counts[half - 1]) << "length " << 2 * half;
        ASSERT_FALSE(pages.empty());
        EXPECT_EQ(pages[0][0].kind, Item::Kind::title);
        std::vector<int> groups;
        int ranges_seen = 0;
        for (const Page& page : pages) {
            EXPECT_FALSE(ranges_on(page).empty()) << "length " << 2 * half;
            ranges_seen += static_cast<int>(ranges_on(page).size());
            for (const Item& item : page)
                if (item.kind == Item::Kind::caption)
                    groups.push_back(item.mountains);
        }
        std::vector<int> expected(half);
        for (int m = half; m >= 1; --m)
            expected[half - m] = m;
        EXPECT_EQ(groups, expected) << "length " << 2 * half;
        int total = 0;
        for (int m = 1; m <= half; ++m)
            total += static_cast<int>(tables.range_table[m].size());
        EXPECT_EQ(ranges_seen, total) << "length " << 2 * half;
    }
}

TEST(Layout, NoEmptyPageAfterABreakOnTheLastRange)
{
    // One mountain only: the first range lands below the page bottom (the
    // eight group advances), then one full page of 77; the break after the
    // last range must not leave a blank page to show.
    gallery::RangeCounts counts{};
    counts[1] = 78;
    const std::vector<Page> pages = gallery::lay_out_gallery(counts);
    ASSERT_EQ(pages.size(), 2U);
    EXPECT_EQ(ranges_on(pages[1]).size(), 77U);
}

}  // namespace
