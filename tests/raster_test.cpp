#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "canvas.h"
#include "raster/raster.h"

namespace {

using namespace testing_canvas;

// A mountain stroke from (x, y) to (x + 6, y - 6); the picture's top left is
// (x - 1, y - 7).
const std::vector<std::string> up_stroke = {
    ".....##.",
    "....####",
    "...#####",
    "..#####.",
    ".#####..",
    "#####...",
    "####....",
    ".##.....",
};

// A mountain stroke from (x, y) to (x + 6, y + 6); the picture's top left is
// (x - 1, y - 1).
const std::vector<std::string> down_stroke = {
    ".##.....",
    "####....",
    "#####...",
    ".#####..",
    "..#####.",
    "...#####",
    "....####",
    ".....###",
};

std::set<Point> line_pixels(int x0, int y0, int x1, int y1)
{
    TestCanvas canvas(40, 40);
    raster::draw_line(canvas.view(), x0, y0, x1, y1, blue);
    return canvas.painted();
}

TEST(Line, SetsTheSamePixelsAsTheWorkedExamples)
{
    EXPECT_EQ(line_pixels(5, 10, 5, 7), (std::set<Point>{{5, 10}, {5, 9}, {5, 8}, {5, 7}}));
    EXPECT_EQ(line_pixels(5, 5, 2, 5), (std::set<Point>{{5, 5}, {4, 5}, {3, 5}, {2, 5}}));
    EXPECT_EQ(line_pixels(10, 10, 13, 7), (std::set<Point>{{10, 10}, {11, 9}, {12, 8}, {13, 7}}));
    EXPECT_EQ(line_pixels(0, 0, 4, 1), points_of({"####.", "....#"}, 0, 0));
    EXPECT_EQ(line_pixels(0, 0, 3, 2), points_of({"##..", "..#.", "...#"}, 0, 0));
    EXPECT_EQ(line_pixels(7, 7, 7, 7), (std::set<Point>{{7, 7}}));
}

TEST(Line, MinorAxisStepsLateInEveryDirection)
{
    // The error term starts at 0, so a line and its reverse differ.
    EXPECT_EQ(line_pixels(4, 1, 0, 0), points_of({"#....", ".####"}, 0, 0));
    EXPECT_EQ(line_pixels(0, 1, 4, 0), points_of({"....#", "####."}, 0, 0));
    EXPECT_EQ(line_pixels(0, 0, 1, 4), points_of({"#.", "#.", "#.", "#.", ".#"}, 0, 0));
    EXPECT_EQ(line_pixels(1, 4, 0, 0), points_of({"#.", ".#", ".#", ".#", ".#"}, 0, 0));
    EXPECT_EQ(line_pixels(10, 10, 2, 13), points_of({"......###",
                                                     "...###...",
                                                     ".##......",
                                                     "#........"}, 2, 10));
}

void expect_stroke(int x, int y, int dy, const std::vector<std::string>& picture, int top)
{
    TestCanvas canvas(800, 600);
    raster::draw_thick_line(canvas.view(), x, y, x + 6, y + dy, 1, blue);
    const std::set<Point> expected = points_of(picture, x - 1, y + top);
    EXPECT_EQ(canvas.painted(), expected)
        << "stroke from (" << x << ", " << y << ") sets" << picture_of(canvas.painted(), x - 1, y + top, 8, 8);
}

TEST(ThickLine, MountainStrokesMatchTheirPicturesWhereverTheyStart)
{
    const Point starts[] = {{1, 7}, {10, 98}, {100, 100}, {343, 126}, {676, 542}, {785, 590}};
    for (const auto& [x, y] : starts) {
        expect_stroke(x, y, -6, up_stroke, -7);
        if (y + 6 < 600)
            expect_stroke(x, y, 6, down_stroke, -1);
    }
}

TEST(ThickLine, HorizontalStrokeStopsTicksShortOfItsEnd)
{
    TestCanvas canvas(200, 200);
    raster::draw_thick_line(canvas.view(), 100, 100, 110, 100, 1, blue);
    // The last position along the line falls just short of 1, so no tick at x = 110.
    EXPECT_EQ(canvas.painted(), points_of({"##########.",
                                           "###########",
                                           "##########."}, 100, 99));
}

std::set<Point> thick_line_pixels(int x0, int y0, int x1, int y1)
{
    TestCanvas canvas(200, 200);
    raster::draw_thick_line(canvas.view(), x0, y0, x1, y1, 1, blue);
    return canvas.painted();
}

TEST(ThickLine, TickEndsComeFromTheExactDistanceToTheLeaningTip)
{
    // A tick leans by less than a float can add to a coordinate; rounding the
    // tip to float first moves a truncated tick end by a whole pixel.
    EXPECT_EQ(thick_line_pixels(110, 100, 100, 100), points_of({"##########.",
                                                                "###########",
                                                                "##########."}, 100, 99));
    EXPECT_EQ(thick_line_pixels(134, 15, 134, 8), points_of({"###", "###", "###", "###",
                                                             "###", "###", "###", ".#."}, 133, 8));
    EXPECT_EQ(thick_line_pixels(184, 89, 183, 89), points_of({"#.",
                                                              "##",
                                                              "#."}, 183, 88));
}

TEST(ThickLine, DegenerateWidthsAndLengths)
{
    TestCanvas point(50, 50);
    raster::draw_thick_line(point.view(), 20, 30, 20, 30, 1, blue);
    EXPECT_EQ(point.painted(), (std::set<Point>{{20, 30}}));

    TestCanvas flat(200, 200);
    raster::draw_thick_line(flat.view(), 100, 100, 110, 100, 0, blue);
    EXPECT_EQ(flat.painted(), points_of({"###########"}, 100, 100));

    // With no width every tick collapses onto a truncated point of the line,
    // which lies on the centre line or just beside it towards the origin.
    TestCanvas diagonal(200, 200);
    raster::draw_thick_line(diagonal.view(), 100, 100, 106, 94, 0, blue);
    const std::set<Point> painted = diagonal.painted();
    for (int i = 0; i <= 6; ++i)
        EXPECT_EQ(painted.count({100 + i, 100 - i}), 1U) << i;
    for (const auto& [x, y] : painted)
        EXPECT_TRUE(x + y == 200 || x + y == 199) << x << ", " << y;
}

TEST(ThickLine, AbsurdlyLongLineEnds)
{
    // The step along the line falls below the float resolution long before
    // the end; the stroke must stop instead of spinning for ever.
    TestCanvas canvas(20, 20);
    raster::draw_thick_line(canvas.view(), 0, 10, 1 << 26, 10, 1, blue);
    EXPECT_EQ(canvas.painted().size(), 60U);
    EXPECT_TRUE(canvas.guards_intact());
}

TEST(Canvas, PaddedRowsAreAddressedByPitch)
{
    TestCanvas padded(64, 48, 25);
    TestCanvas tight(64, 48, 0);
    for (TestCanvas* canvas : {&padded, &tight}) {
        raster::Pen pen{2, 40};
        raster::draw_range(canvas->view(), pen, 0x00FF, 16, blue);
    }
    EXPECT_EQ(padded.painted(), tight.painted());
    EXPECT_TRUE(padded.guards_intact());
}

TEST(Canvas, NothingIsWrittenOffTheCanvas)
{
    TestCanvas canvas(30, 20);
    const raster::Canvas view = canvas.view();
    raster::put_pixel(view, -1, 0, blue);
    raster::put_pixel(view, 30, 0, blue);
    raster::put_pixel(view, 0, 20, blue);
    raster::put_pixel(view, 5, -1, blue);
    raster::draw_line(view, -100, -50, 130, 70, blue);
    raster::draw_thick_line(view, -100000, 5, 100000, 5, 1, blue);
    raster::draw_thick_line(view, 10, 10, 12, 12, 1000, blue);
    raster::draw_thick_line(view, -2147483647, -2147483647, -2147483647, -2147483647, 1, blue);
    raster::Pen pen{-40, 3};
    raster::draw_range(view, pen, 0x00FF, 16, blue);
    EXPECT_TRUE(canvas.guards_intact());
}

TEST(Canvas, LinesCrossingTheEdgeKeepTheirVisiblePart)
{
    // The small canvas is the top left corner of the large one.
    TestCanvas small(20, 12);
    TestCanvas large(60, 40);
    for (TestCanvas* canvas : {&small, &large}) {
        raster::Pen pen{3, 9};
        raster::draw_range(canvas->view(), pen, 0x0055, 8, blue);
        raster::draw_thick_line(canvas->view(), 15, 2, 35, 30, 1, blue);
        raster::draw_line(canvas->view(), 1, 11, 50, 14, blue);
    }
    std::set<Point> corner;
    for (const Point& p : large.painted())
        if (p.first < 20 && p.second < 12)
            corner.insert(p);
    EXPECT_EQ(small.painted(), corner);
    EXPECT_TRUE(small.guards_intact());
}

TEST(Range, EightSinglePeaksAreEightStrokePairs)
{
    TestCanvas canvas(800, 600);
    raster::Pen pen{10, 98};
    raster::draw_range(canvas.view(), pen, 0x5555, 16, blue);
    EXPECT_EQ(pen.x, 106);
    EXPECT_EQ(pen.y, 98);

    std::set<Point> expected;
    for (int peak = 0; peak < 8; ++peak) {
        const int x = 10 + 12 * peak;
        for (const Point& p : points_of(up_stroke, x - 1, 98 - 7))
            expected.insert(p);
        for (const Point& p : points_of(down_stroke, x + 6 - 1, 92 - 1))
            expected.insert(p);
    }
    EXPECT_EQ(canvas.painted(), expected) << picture_of(canvas.painted(), 9, 90, 98, 9);
}

TEST(Range, OneBigMountainClimbsAndDescendsFortyEightPixels)
{
    TestCanvas canvas(800, 600);
    raster::Pen pen{10, 98};
    raster::draw_range(canvas.view(), pen, 0x00FF, 16, blue);
    EXPECT_EQ(pen.x, 106);
    EXPECT_EQ(pen.y, 98);

    std::set<Point> expected;
    for (int i = 0; i < 8; ++i) {
        for (const Point& p : points_of(up_stroke, 10 + 6 * i - 1, 98 - 6 * i - 7))
            expected.insert(p);
        for (const Point& p : points_of(down_stroke, 58 + 6 * i - 1, 50 + 6 * i - 1))
            expected.insert(p);
    }
    EXPECT_EQ(canvas.painted(), expected);
    EXPECT_EQ(canvas.painted().begin()->first, 9);
}

TEST(Range, PenAtTheEndsOfTheIntRangeDrawsNothingAndWritesNothingOffTheCanvas)
{
    constexpr int low = std::numeric_limits<int>::min();
    constexpr int high = std::numeric_limits<int>::max();
    // From these starts the stroke bounds and the pen's moves overflow an int.
    const Point starts[] = {{low, 10}, {5, low + 6}, {5, low}, {low, 3}, {high - 40, 10}, {5, high - 40}};
    for (const auto& [x, y] : starts) {
        // Up first, down first, and climbs and descents long enough to carry
        // the pen past either end of the int range.
        for (const std::int32_t code : {0x5555, 0xAAAA, 0x00FF, 0xFF00}) {
            TestCanvas canvas(30, 20);
            raster::Pen pen{x, y};
            raster::draw_range(canvas.view(), pen, code, 16, blue);
            EXPECT_TRUE(canvas.painted().empty() && canvas.guards_intact())
                << "range " << std::hex << code << std::dec << " from (" << x << ", " << y << ")";
        }
    }
}

TEST(Range, NoStepsDrawNothing)
{
    TestCanvas canvas(100, 100);
    raster::Pen pen{10, 50};
    raster::draw_range(canvas.view(), pen, 0x5555, 0, blue);
    EXPECT_TRUE(canvas.painted().empty());
    EXPECT_EQ(pen.x, 10);
    EXPECT_EQ(pen.y, 50);
}

}  // namespace

namespace {

// True when both canvases hold the same pixels in the square around (x, y)
// that any mountain stroke from there can reach. Resets that square to white.
bool take_same_window(TestCanvas& a, TestCanvas& b, int x, int y)
{
    bool same = true;
    for (int row = std::max(0, y - 8); row <= std::min(a.height - 1, y + 7); ++row)
        for (int col = std::max(0, x - 2); col <= std::min(a.width - 1, x + 7); ++col) {
            same = same && a.at(col, row) == b.at(col, row);
            a.at(col, row) = white;
            b.at(col, row) = white;
        }
    return same;
}

TEST(MountainStroke, SetsThePixelsOfTheThickLineAtEveryStartPoint)
{
    // Covers the whole square where the stored stroke shapes are used, its
    // edges, and the edges of the canvas, where the thick line is drawn instead.
    constexpr int size = raster::mountain_shape_limit + 8;
    TestCanvas literal(size, size, 1);
    TestCanvas fast(size, size, 1);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            for (const bool up : {true, false}) {
                const int dy = up ? -raster::stroke_step : raster::stroke_step;
                raster::draw_thick_line(literal.view(), x, y, x + 6, y + dy, 1, blue);
                raster::draw_mountain_stroke(fast.view(), x, y, up, blue);
                if (!take_same_window(literal, fast, x, y)) {
                    TestCanvas a(size, size), b(size, size);
                    raster::draw_thick_line(a.view(), x, y, x + 6, y + dy, 1, blue);
                    raster::draw_mountain_stroke(b.view(), x, y, up, blue);
                    FAIL() << (up ? "up" : "down") << "-stroke from (" << x << ", " << y << ") sets"
                           << picture_of(b.painted(), x - 2, y - 8, 10, 16) << "instead of"
                           << picture_of(a.painted(), x - 2, y - 8, 10, 16);
                }
            }
        }
    }
    EXPECT_TRUE(fast.painted().empty());
    EXPECT_TRUE(literal.painted().empty());
    EXPECT_TRUE(fast.guards_intact());
}

}  // namespace
