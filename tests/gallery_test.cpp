// Pages drawn into plain memory canvases: no window, no font.
#include <gtest/gtest.h>

#include <cstring>

#include "canvas.h"
#include "gallery/page.h"
#include "ranges/ranges.h"

namespace {

using namespace testing_canvas;
constexpr std::uint32_t black = 0x000000;

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
        {1, 0, {".#.#", "..##", "...."}},
        {-1, 1, {"....", ".#..", "##.."}},  // off the left: its first column is dropped
        {2, -1, {"...#", "....", "...."}},  // off the top: its first row is dropped
        {3, 2, {"....", "....", "...#"}},   // off the right and the bottom
        {4, 0, {"....", "....", "...."}},   // wholly off the canvas
        {-2147483647, 2147483647, {"....", "....", "...."}},
    };
    for (const Case& c : cases) {
        TestCanvas canvas(4, 3);
        gallery::stamp_text(canvas.view(), image, c.x, c.y, black);
        EXPECT_EQ(canvas.painted(), points_of(c.expected, 0, 0))
            << "at (" << c.x << ", " << c.y << ")" << picture_of(canvas.painted(), 0, 0, 4, 3);
        EXPECT_TRUE(canvas.guards_intact());
    }
}

class Pages : public ::testing::Test {
protected:
    // Texts of distinct sizes, so a text stamped in the wrong place or the
    // wrong text shows: the title 40 x 3, the caption of group m m x 2.
    static gallery::TextImages distinct_texts()
    {
        gallery::TextImages texts;
        texts.title = image_of(std::vector<std::string>(3, std::string(40, '#')));
        for (int m = 1; m <= ranges::max_mountains; ++m)
            texts.captions[m] = image_of(std::vector<std::string>(2, std::string(m, '#')));
        return texts;
    }

    const ranges::RangeTables tables = ranges::enumerate_ranges();
    const std::vector<gallery::Page> pages = gallery::lay_out_gallery(gallery::range_counts(tables));
    const gallery::TextImages texts = distinct_texts();
    const gallery::Colours colours = {white, blue, black};
};

TEST_F(Pages, EveryPageDrawsTheSameOverItsPredecessorOnAPaddedCanvas)
{
    TestCanvas padded(800, 600, 25);
    std::vector<std::uint32_t> plain(800 * 600);
    const raster::Canvas fresh{plain.data(), 800, 600, 3200};
    for (std::size_t p = 0; p < pages.size(); ++p) {
        gallery::draw_page(padded.view(), texts, tables, pages[p], colours);
        std::fill(plain.begin(), plain.end(), 0xABCDEF);
        gallery::draw_page(fresh, texts, tables, pages[p], colours);
        for (int y = 0; y < 600; ++y)
            ASSERT_EQ(std::memcmp(&padded.at(0, y), &plain[y * 800], 3200), 0) << "page " << p + 1 << " row " << y;
        ASSERT_TRUE(padded.guards_intact()) << "page " << p + 1;
    }
}

TEST_F(Pages, TextsAreStampedAtTheirItemsAndNowhereElse)
{
    for (std::size_t p = 0; p < pages.size(); ++p) {
        std::set<Point> expected;
        for (const gallery::Item& item : pages[p]) {
            const gallery::TextImage* image = item.kind == gallery::Item::Kind::title     ? &texts.title
                                              : item.kind == gallery::Item::Kind::caption ? &texts.captions[item.mountains]
                                                                                          : nullptr;
            for (int y = 0; image && y < image->height; ++y)
                for (int x = 0; x < image->width; ++x)
                    expected.insert({item.x + x, item.y + y});
        }
        TestCanvas canvas(800, 600);
        gallery::draw_page(canvas.view(), texts, tables, pages[p], colours);
        std::set<Point> text;
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const std::uint32_t c = canvas.at(x, y);
                ASSERT_TRUE(c == white || c == blue || c == black) << "page " << p + 1;
                if (c == black)
                    text.insert({x, y});
            }
        EXPECT_EQ(text, expected) << "page " << p + 1;
    }
}

}  // namespace
