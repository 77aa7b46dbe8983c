// Lines, thick strokes and ranges as ASCII pixel pictures on memory canvases.
#include <gtest/gtest.h>

#include <limits>

#include "canvas.h"

namespace {

using namespace testing_canvas;

// A mountain stroke from (x, y) to (x + 6, y - 6); the picture's top left is (x - 1, y - 7).
const std::vector<std::string> up_stroke = {
    ".....##.", "....####", "...#####", "..#####.", ".#####..", "#####...", "####....", ".##.....",
};

// A mountain stroke from (x, y) to (x + 6, y + 6); the picture's top left is (x - 1, y - 1).
const std::vector<std::string> down_stroke = {
    ".##.....", "####....", "#####...", ".#####..", "..#####.", "...#####", "....####", ".....###",
};

std::set<Point> line_pixels(int x0, int y0, int x1, int y1)
{
    TestCanvas canvas(40, 40);
    raster::draw_line(canvas.view(), x0, y0, x1, y1, blue);
    return canvas.painted();
}

TEST(Line, SetsBothEndsAndStepsTheMinorAxisLateInEveryDirection)
{
    EXPECT_EQ(line_pixels(5, 10, 5, 7), points_of({"#", "#", "#", "#"}, 5, 7));
    EXPECT_EQ(line_pixels(5, 5, 2, 5), points_of({"####"}, 2, 5));
    EXPECT_EQ(line_pixels(10, 10, 13, 7), points_of({"...#", "..#.", ".#..", "#..."}, 10, 7));
    EXPECT_EQ(line_pixels(7, 7, 7, 7), points_of({"#"}, 7, 7));
    // The error term starts at 0, so a line and its reverse differ.
    EXPECT_EQ(line_pixels(0, 0, 4, 1), points_of({"####.", "....#"}, 0, 0));
    EXPECT_EQ(line_pixels(4, 1, 0, 0), points_of({"#....", ".####"}, 0, 0));
    EXPECT_EQ(line_pixels(0, 1, 4, 0), points_of({"....#", "####."}, 0, 0));
    EXPECT_EQ(line_pixels(0, 0, 3, 2), points_of({"##..", "..#.", "...#"}, 0, 0));
    EXPECT_EQ(line_pixels(0, 0, 1, 4), points_of({"#.", "#.", "#.", "#.", ".#"}, 0, 0));
    EXPECT_EQ(line_pixels(1, 4, 0, 0), points_of({"#.", ".#", ".#", ".#", ".#"}, 0, 0));
    EXPECT_EQ(line_pixels(10, 10, 2, 13), points_of({"......###", "...###...", ".##......", "#........"}, 2, 10));
}

std::set<Point> thick_line_pixels(int x0, int y0, int x1, int y1, int half_width = 1)
{
    TestCanvas canvas(800, 600);
    raster::draw_thick_line(canvas.view(), x0, y0, x1, y1, half_width, blue);
    return canvas.painted();
}

TEST(ThickLine, TickEndsComeFromTheExactDistanceToTheLeaningTip)
{
    // A tick leans by less than a float can add to a coordinate; rounding the
    // tip to float first moves a truncated tick end by a whole pixel. The
    // first also stops its ticks short of its end: t never quite reaches 1.
    EXPECT_EQ(thick_line_pixels(110, 100, 100, 100), points_of({"##########.", "###########", "##########."}, 100, 99));
    EXPECT_EQ(thick_line_pixels(134, 15, 134, 8),
              points_of({"###", "###", "###", "###", "###", "###", "###", ".#."}, 133, 8));
    EXPECT_EQ(thick_line_pixels(184, 89, 183, 89), points_of({"#.", "##", "#."}, 183, 88));
    // A point, and no width: every tick collapses onto a truncated point of the line.
    EXPECT_EQ(thick_line_pixels(20, 30, 20, 30), points_of({"#"}, 20, 30));
    EXPECT_EQ(thick_line_pixels(100, 100, 110, 100, 0), points_of({"###########"}, 100, 100));
}

TEST(ThickLine, AbsurdlyLongLineEnds)
{
    // The step along the line falls below the float resolution long before
    // the end; the stroke must stop instead of spinning for ever.
    TestCanvas canvas(20, 20);
    raster::draw_thick_line(canvas.view(), 0, 10, 1 << 26, 10, 1, blue);
    EXPECT_EQ(canvas.painted().size(), 60U);
}

TEST(Canvas, NothingIsWrittenOffTheCanvas)
{
    TestCanvas canvas(20, 12);
    const raster::Canvas view = canvas.view();
    for (const Point& p : std::vector<Point>{{-1, 0}, {20, 0}, {0, 12}, {5, -1}})
        raster::put_pixel(view, p.first, p.second, blue);
    raster::draw_line(view, -100, -50, 130, 70, blue);
    raster::draw_thick_line(view, -100000, 5, 100000, 5, 1, blue);
    raster::draw_thick_line(view, 10, 10, 12, 12, 1000, blue);
    raster::draw_thick_line(view, -2147483647, -2147483647, -2147483647, -2147483647, 1, blue);
    raster::Pen pen{3, 9};
    raster::draw_range(view, pen, 0x0055, 8, blue);
    EXPECT_TRUE(canvas.guards_intact());
}

TEST(Range, OneBigMountainClimbsAndDescendsFortyEightPixels)
{
    TestCanvas canvas(800, 600);
    raster::Pen pen{10, 98};
    raster::draw_range(canvas.view(), pen, 0x00FF, 0, blue);
    EXPECT_TRUE(canvas.painted().empty());
    raster::draw_range(canvas.view(), pen, 0x00FF, 16, blue);
    EXPECT_EQ(std::make_pair(pen.x, pen.y), std::make_pair(106, 98));
    std::set<Point> expected;
    for (int i = 0; i < 8; ++i) {
        for (const Point& p : points_of(up_stroke, 10 + 6 * i - 1, 98 - 6 * i - 7))
            expected.insert(p);
        for (const Point& p : points_of(down_stroke, 58 + 6 * i - 1, 50 + 6 * i - 1))
            expected.insert(p);
    }
    EXPECT_EQ(canvas.painted(), expected);
}

TEST(Range, PenAtTheEndsOfTheIntRangeDrawsNothingAndWritesNothingOffTheCanvas)
{
    constexpr int low = std::numeric_limits<int>::min();
    constexpr int high = std::numeric_limits<int>::max();
    // From these starts the stroke bounds and the pen's moves overflow an int.
    for (const auto& [x, y] : std::vector<Point>{{low, 10}, {5, low + 6}, {5, low}, {high - 40, 10}, {5, high - 40}}) {
        // Up first, down first, and climbs and descents long enough to carry
        // the pen past either end of the int range.
        for (const std::uint32_t code : {0x5555U, 0xAAAAU, 0x00FFU, 0xFF00U}) {
            TestCanvas canvas(30, 20);
            raster::Pen pen{x, y};
            raster::draw_range(canvas.view(), pen, code, 16, blue);
            EXPECT_TRUE(canvas.painted().empty() && canvas.guards_intact())
                << "range " << std::hex << code << std::dec << " from (" << x << ", " << y << ")";
        }
    }
}

TEST(MountainStroke, SetsThePixelsOfTheThickLineAtEveryStartPoint)
{
    // The whole square where the stored stroke shapes are used, its edges, and
    // the edges of the canvas, where the thick line is drawn instead.
    constexpr int size = raster::mountain_shape_limit + 8;
    TestCanvas literal(size, size, 1), fast(size, size, 1);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            for (const bool up : {true, false}) {
                raster::draw_thick_line(literal.view(), x, y, x + 6, y + (up ? -6 : 6), 1, blue);
                raster::draw_mountain_stroke(fast.view(), x, y, up, blue);
                // Compare and clear the square any stroke from (x, y) can reach.
                bool same = true;
                for (int row = std::max(0, y - 8); row <= std::min(size - 1, y + 7); ++row) {
                    for (int col = std::max(0, x - 2); col <= std::min(size - 1, x + 7); ++col) {
                        same = same && literal.at(col, row) == fast.at(col, row);
                        literal.at(col, row) = fast.at(col, row) = white;
                    }
                }
                ASSERT_TRUE(same) << (up ? "up" : "down") << "-stroke from (" << x << ", " << y << ")";
            }
        }
    }
    EXPECT_TRUE(fast.painted().empty() && literal.painted().empty() && fast.guards_intact());
}

}  // namespace
