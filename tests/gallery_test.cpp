// The gallery's groups and pages, laid out and drawn into memory canvases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "canvas.h"
#include "gallery/page.h"

namespace {

using namespace testing_canvas;
using gallery::Item;
using gallery::Page;
using ranges::Grouping;

// Every page of the gallery of 16 by mountains: its ranges, the first and last
// as "group:place" counted from 1, and its captions as "mountains@y".
TEST(Layout, TwentyPagesWithTheirRangesAndCaptions)
{
    const char* const expected[] = {
        "49 8:1 5:14 8@54 7@119 6@232 5@441", "68 5:15 4:7 4@454", "77 4:8 4:84", "77 4:85 4:161",
        "67 4:162 3:63 3@67", "77 3:64 3:140", "77 3:141 3:217", "77 3:218 3:294", "66 3:295 2:63 2@64",
        "77 2:64 2:140", "77 2:141 2:217", "77 2:218 2:294", "77 2:295 2:371", "65 2:372 1:7 1@445",
        "77 1:8 1:84", "77 1:85 1:161", "77 1:162 1:238", "77 1:239 1:315", "77 1:316 1:392", "37 1:393 1:429",
    };
    const gallery::Gallery g = gallery::make_gallery(16, Grouping::mountains);
    const std::vector<Page> pages = gallery::lay_out_gallery(g);
    ASSERT_EQ(pages.size(), 20U);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        std::vector<std::string> ranges, captions;
        for (const Item& item : pages[p]) {
            const std::string value = std::to_string(g.groups[item.group].value);
            if (item.kind == Item::Kind::range)
                ranges.push_back(value + ":" + std::to_string(item.index + 1));
            else if (item.kind == Item::Kind::caption)
                captions.push_back(" " + value + "@" + std::to_string(item.y));
        }
        std::string found = std::to_string(ranges.size()) + " " + ranges.front() + " " + ranges.back();
        for (const std::string& caption : captions)
            found += caption;
        EXPECT_EQ(found, expected[p]) << "page " << p + 1;
    }
}

TEST(Layout, EveryStrokeStaysWellInsideThePage)
{
    const gallery::Gallery g = gallery::make_gallery(16, Grouping::mountains);
    std::set<int> xs, ys;
    gallery::TextImages no_texts;
    no_texts.captions.resize(9);
    for (const Page& page : gallery::lay_out_gallery(g)) {
        TestCanvas canvas(800, 600);
        gallery::draw_page(canvas.view(), no_texts, g, page, {white, blue, white});
        for (const auto& [x, y] : canvas.painted()) {
            xs.insert(x);
            ys.insert(y);
        }
    }
    EXPECT_EQ((std::vector<int>{*xs.begin(), *xs.rbegin(), *ys.begin(), *ys.rbegin()}),
              (std::vector<int>{9, 772, 21, 542}));
}

TEST(Layout, EveryGroupingKeepsTheGalleryOrderWithinItsGroups)
{
    const std::vector<std::uint64_t> sizes[] = {{1, 7, 27, 75, 165, 297, 429, 429},
                                                {1, 28, 196, 490, 490, 196, 28, 1},
                                                {1, 127, 482, 484, 247, 75, 13, 1}};
    std::map<ranges::Code, std::size_t> place;  // in the gallery by mountains
    for (const gallery::Group& group : gallery::make_gallery(16, Grouping::mountains).groups)
        for (const ranges::Code code : group.codes)
            place.emplace(code, place.size());
    ASSERT_EQ(place.size(), 1430U);
    for (const Grouping grouping : {Grouping::mountains, Grouping::peaks, Grouping::height}) {
        const int g = static_cast<int>(grouping);
        const gallery::Gallery gallery = gallery::make_gallery(16, grouping);
        ASSERT_EQ(gallery.groups.size(), 8U);
        for (std::size_t i = 0; i < gallery.groups.size(); ++i) {
            const gallery::Group& group = gallery.groups[i];
            EXPECT_EQ(group.value, grouping == Grouping::height ? int(i) + 1 : 8 - int(i));
            EXPECT_EQ(group.codes.size(), sizes[g][i]) << "grouping " << g << ", group " << group.value;
            EXPECT_EQ(ranges::count_group(8, grouping, group.value), sizes[g][i]);
            for (std::size_t k = 0; k < group.codes.size(); ++k) {
                EXPECT_EQ(ranges::group_value(group.codes[k], 16, grouping), group.value);
                if (k > 0) {
                    EXPECT_LT(place.at(group.codes[k - 1]), place.at(group.codes[k]));
                }
            }
        }
    }
}

TEST(Layout, EveryLengthFillsItsPagesWithItsGroupsInTurn)
{
    const std::size_t page_counts[] = {1, 1, 1, 1, 2, 3, 7, 20};  // lengths 2 to 16
    const int catalan[] = {1, 2, 5, 14, 42, 132, 429, 1430};
    for (int length = 2; length <= 16; length += 2) {
        const std::vector<Page> pages = gallery::lay_out_gallery(gallery::make_gallery(length, Grouping::mountains));
        std::vector<int> kinds(3);
        for (const Page& page : pages) {
            EXPECT_EQ(page.back().kind, Item::Kind::range) << length;  // nor is any page empty
            for (const Item& item : page)
                ++kinds[static_cast<int>(item.kind)];
        }
        const std::size_t n = length / 2;
        EXPECT_EQ(pages.size(), page_counts[n - 1]);
        EXPECT_EQ(kinds, (std::vector<int>{1, int(n), catalan[n - 1]}));  // title, captions, ranges
    }
}

TEST(Layout, NoEmptyPageAfterABreakOnTheLastRange)
{
    // Its first range lands below the page bottom, after the seven other
    // groups' advances; then one full page of 77, whose break must not leave
    // a blank page to show.
    gallery::Gallery g{16, Grouping::mountains, {}};
    for (int value = 8; value >= 1; --value)
        g.groups.push_back({value, std::vector<ranges::Code>(value == 1 ? 78 : 0, 0x5555)});
    const std::vector<Page> pages = gallery::lay_out_gallery(g);
    ASSERT_EQ(pages.size(), 2U);
    EXPECT_EQ(pages[1].size(), 77U);
}

// A text image from an ASCII picture: '#' carries ink.
gallery::TextImage image_of(const std::vector<std::string>& picture)
{
    gallery::TextImage image;
    image.width = static_cast<int>(picture[0].size());
    image.height = static_cast<int>(picture.size());
    for (const std::string& row : picture)
        for (const char c : row)
            image.ink.push_back(c == '#' ? 1 : 0);
    return image;
}

TEST(Stamp, ClipsAtEveryEdgeLikeABlit)
{
    const gallery::TextImage image = image_of({"#.#", ".##"});
    struct Case {
        int x, y;
        std::vector<std::string> expected;  // the 4 x 3 canvas afterwards
    };
    const Case cases[] = {
        {1, 0, {".#.#", "..##", "...."}},   {-1, 1, {"....", ".#..", "##.."}},  {2, -1, {"...#", "....", "...."}},
        {3, 2, {"....", "....", "...#"}},   {4, 0, {"....", "....", "...."}},
        {-2147483647, 2147483647, {"....", "....", "...."}},
    };
    for (const Case& c : cases) {
        TestCanvas canvas(4, 3);
        gallery::stamp_text(canvas.view(), image, c.x, c.y, blue);
        EXPECT_EQ(canvas.painted(), points_of(c.expected, 0, 0)) << "at " << c.x << ", " << c.y;
        EXPECT_TRUE(canvas.guards_intact());
    }
}

TEST(Pages, EachDrawsWholeOverItsPredecessorOnAPaddedCanvasWithItsTextsInPlace)
{
    // Texts of distinct sizes show the wrong text or place: the title 40 x 3,
    // the caption of value v v x 2.
    gallery::TextImages texts;
    texts.captions.resize(9);
    texts.title = image_of(std::vector<std::string>(3, std::string(40, '#')));
    for (int v = 1; v <= 8; ++v)
        texts.captions[v] = image_of(std::vector<std::string>(2, std::string(v, '#')));
    const gallery::Colours colours = {white, blue, 0x000000};
    const gallery::Gallery g = gallery::make_gallery(16, Grouping::mountains);
    const std::vector<Page> pages = gallery::lay_out_gallery(g);

    TestCanvas padded(800, 600, 25);
    std::vector<std::uint32_t> plain(800 * 600);
    const raster::Canvas fresh{plain.data(), 800, 600, 3200};
    for (std::size_t p = 0; p < pages.size(); ++p) {
        gallery::draw_page(padded.view(), texts, g, pages[p], colours);
        std::fill(plain.begin(), plain.end(), 0xABCDEF);
        gallery::draw_page(fresh, texts, g, pages[p], colours);
        for (int y = 0; y < 600; ++y)
            ASSERT_EQ(std::memcmp(&padded.at(0, y), &plain[y * 800], 3200), 0) << "page " << p + 1 << " row " << y;
        ASSERT_TRUE(padded.guards_intact()) << "page " << p + 1;
    }
    // The first page's texts: the title at (10, 5), the captions of 8, 7, 6 and 5 mountains.
    gallery::draw_page(padded.view(), texts, g, pages[0], colours);
    std::set<Point> black;
    for (const Point& p : padded.painted())
        if (padded.at(p.first, p.second) == 0x000000)
            black.insert(p);
    std::set<Point> expected;
    for (const auto& [x, y, width, height] : {std::array<int, 4>{10, 5, 40, 3}, {10, 54, 8, 2}, {10, 119, 7, 2},
                                              {10, 232, 6, 2}, {10, 441, 5, 2}})
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                expected.insert({x + column, y + row});
    EXPECT_EQ(black, expected);
}

}  // namespace
