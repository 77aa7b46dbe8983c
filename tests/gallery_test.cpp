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
    const std::vector<Page> pages = gallery::lay_out_gallery(g, 23);
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
    EXPECT_EQ((std::vector<int>{pages[0][2].x, pages[0].back().x}), (std::vector<int>{10, 676}));  // a row's ends
}

TEST(Layout, EveryGroupingKeepsTheGalleryOrderWithinItsGroups)
{
    std::map<ranges::Code, std::size_t> place;  // in the gallery by mountains
    for (const gallery::Group& group : gallery::make_gallery(16, Grouping::mountains).groups)
        for (const ranges::Code code : group.codes)
            place.emplace(code, place.size());
    ASSERT_EQ(place.size(), 1430U);
    for (const Grouping grouping :
         {Grouping::peaks, Grouping::height, Grouping::area, Grouping::bounce, Grouping::dinv}) {
        std::size_t shown = 0;
        for (const gallery::Group& group : gallery::make_gallery(16, grouping).groups)
            for (std::size_t k = 0; k < group.codes.size(); ++k, ++shown) {
                EXPECT_EQ(ranges::group_value(group.codes[k], 16, grouping), group.value);
                EXPECT_TRUE(k == 0 || place.at(group.codes[k - 1]) < place.at(group.codes[k])) << group.value;
            }
        EXPECT_EQ(shown, 1430U) << static_cast<int>(grouping);
    }
}

TEST(Layout, EveryLengthFillsItsPagesWithItsGroupsInTurn)
{
    const std::size_t page_counts[] = {1, 1, 1, 1, 2, 3, 7, 20};  // lengths 2 to 16
    const int catalan[] = {1, 2, 5, 14, 42, 132, 429, 1430};
    for (int length = 2; length <= 16; length += 2) {
        const auto pages = gallery::lay_out_gallery(gallery::make_gallery(length, Grouping::mountains), 23);
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
    gallery::Gallery g{16, Grouping::mountains, {}, {}};
    for (int value = 8; value >= 1; --value)
        g.groups.push_back({value, std::vector<ranges::Code>(value == 1 ? 78 : 0, 0x5555), 9 - value, -1});
    const std::vector<Page> pages = gallery::lay_out_gallery(g, 23);
    EXPECT_EQ((std::vector<std::size_t>{pages.size(), pages.back().size()}), (std::vector<std::size_t>{2, 77}));
}

// Every grouping but mountains at every length, its title and first caption
// as printed, on pages drawn with each range in its own colour and each text
// as a solid block as large as the real font makes it (23 pixels high, under
// 12 wide a character) or larger.
TEST(Layout, CaptionsAndRangesKeepClearOfEachOtherInsideThePage)
{
    constexpr int m = 64, c = gallery::range_clearance;  // the page lies m pixels inside its canvas
    const std::map<Grouping, std::pair<std::string, std::string>> texts = {  // the heading, the first caption at 16
        {Grouping::peaks, {" BY PEAKS", "  8 peak(s)"}},     {Grouping::height, {" BY HEIGHT", "  height 1"}},
        {Grouping::area, {" BY AREA", "  area 0"}},          {Grouping::bounce, {" BY BOUNCE", "  bounce 28"}},
        {Grouping::dinv, {" BY DINV", "  dinv 28"}}};
    std::set<int> gaps;  // from a group's last ground line to the next caption on its page
    for (const auto& [grouping, text] : texts)
        for (int length = 2; length <= 16; length += 2) {
            const std::string& heading = text.first;
            const int text_height = 23 + length % 4 * 4;  // and a taller font at half the lengths
            const gallery::Gallery g = gallery::make_gallery(length, grouping);
            const std::vector<Page> pages = gallery::lay_out_gallery(g, text_height);
            EXPECT_EQ(g.texts[pages[0][0].index], " MOUNTAIN RANGES WITH LENGTH " + std::to_string(length) + heading);
            EXPECT_TRUE(length < 16 || g.texts[g.groups[0].caption] == text.second) << g.texts[g.groups[0].caption];
            std::size_t group = 0, index = 0;  // the range to come next
            for (const Page& page : pages) {
                const std::string at = heading + ", length " + std::to_string(length) + ", page " +
                                       std::to_string(&page - &pages[0] + 1) + ": ";
                TestCanvas canvas(800 + 2 * m, 600 + 2 * m);
                const auto pixel = [&](int x, int y) { return canvas.at(x + m, y + m); };
                std::uint32_t colour = 0;  // the last range's own
                for (std::size_t k = 0; k < page.size(); ++k) {
                    const Item& item = page[k];
                    const Item* before = k > 0 ? &page[k - 1] : nullptr;
                    const bool after_caption = before && before->kind == Item::Kind::caption;
                    if (item.kind != Item::Kind::range) {
                        if (before && before->kind == Item::Kind::range)
                            gaps.insert(item.y - before->y);
                        continue;
                    }
                    ASSERT_TRUE(item.group == int(group) && item.index == int(index)) << at << "out of turn";
                    if (++index == g.groups[group].codes.size())
                        index = 0, ++group;
                    const ranges::Code code = g.groups[item.group].codes[item.index];
                    EXPECT_EQ(after_caption, item.index == 0 || colour == 0)
                        << at << "a caption over range " << item.index << " of group " << item.group << ", or none";
                    if (after_caption) {
                        const int top = item.y - 6 * ranges::group_value(code, length, Grouping::height) - 1;
                        const std::string caption = g.texts[g.groups[item.group].caption];
                        EXPECT_EQ(g.texts[before->index], caption + (item.index > 0 ? ", continued" : "")) << at;
                        EXPECT_LE(before->y + text_height, top) << at << g.texts[before->index] << " over its range";
                    }
                    raster::Pen pen{item.x + m, item.y + m};
                    raster::draw_range(canvas.view(), pen, static_cast<std::uint32_t>(code), length, ++colour);
                }
                EXPECT_EQ(page.back().kind, Item::Kind::range) << at;
                const std::string near = first_point(c - m, -m, 800 + m - c, 600 + m - c, [&](int x, int y) {
                    return pixel(x, y) != white && !first_point(x - c, y, x + c + 1, y + c + 1, [&](int u, int v) {
                                                        return pixel(u, v) != white && pixel(u, v) != pixel(x, y);
                                                    }).empty();
                });
                EXPECT_TRUE(near.empty()) << at << "two ranges closer than " << c << " blank pixels at " << near;
                for (const Item& item : page) {
                    if (item.kind == Item::Kind::range)
                        continue;
                    const int x = item.x, y = item.y, width = 12 * int(g.texts[item.index].size());
                    const std::string ink = first_point(x - 2, y - 2, x + width + 2, y + text_height + 2,
                                                        [&](int u, int v) { return pixel(u, v) != white; });
                    EXPECT_TRUE(ink.empty()) << at << "ink within 2 pixels of " << g.texts[item.index] << " at " << ink;
                    const std::vector<std::uint8_t> block(std::size_t(width) * text_height, 1);
                    gallery::stamp_text(canvas.view(), {width, text_height, block}, x + m, y + m, 0);
                }
                const std::string off = first_point(-m, -m, 800 + m, 600 + m, [&](int x, int y) {
                    return pixel(x, y) != white && (x < 0 || y < 0 || x >= 800 || y >= 600);
                });
                EXPECT_TRUE(off.empty()) << at << "ink off the page at " << off;
            }
            EXPECT_EQ(group, g.groups.size()) << heading << ", length " << length << ": ranges left out";
        }
    EXPECT_EQ(gaps.size(), 1U) << "the next caption lies at more than one distance from a group's last row";
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
    // the caption of v mountains v x 2.
    const gallery::Gallery g = gallery::make_gallery(16, Grouping::mountains);
    gallery::TextImages texts;
    texts.images.push_back(image_of(std::vector<std::string>(3, std::string(40, '#'))));
    for (int v = 8; v >= 1; --v)
        texts.images.push_back(image_of(std::vector<std::string>(2, std::string(v, '#'))));
    const gallery::Colours colours = {white, blue, 0x000000};
    const std::vector<Page> pages = gallery::lay_out_gallery(g, 23);

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
