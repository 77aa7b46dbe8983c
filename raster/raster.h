// Pixel arithmetic on any 32-bit canvas: single pixels, one-pixel lines, thick
// strokes and mountain ranges drawn as zigzags. Nothing here opens a window or
// knows where the pixels live; the caller hands in a view of them.
#pragma once

#include <cstdint>

namespace raster {

// A non-owning view of 32-bit pixels whose rows lie `pitch` bytes apart.
struct Canvas {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int pitch = 0;  // bytes from one row to the next, at least 4 * width
};

// Where the next stroke of a range starts; draw_range moves it along.
struct Pen {
    int x = 0;
    int y = 0;
};

constexpr int stroke_step = 6;       // a stroke moves 6 pixels right and 6 up or down
constexpr int stroke_half_width = 1; // mountain strokes come out about 3 pixels wide

// Sets every pixel of the canvas to colour.
void fill(const Canvas& canvas, std::uint32_t colour);

// Stores colour at (x, y); a point off the canvas is ignored.
void put_pixel(const Canvas& canvas, int x, int y, std::uint32_t colour);

// Sets every pixel of the line from (x0, y0) to (x1, y1), both ends included;
// the part off the canvas is dropped.
void draw_line(const Canvas& canvas, int x0, int y0, int x1, int y1, std::uint32_t colour);

// Draws the line from (x0, y0) to (x1, y1) widened by ticks of `half_width`
// pixels on each side, placed every tenth of a pixel along it.
void draw_thick_line(const Canvas& canvas, int x0, int y0, int x1, int y1, int half_width,
                     std::uint32_t colour);

// A mountain stroke costs 170 tick lines and eight calls of sin and cos, yet
// sets only about 33 pixels. Where all its coordinates are positive and its
// start lies below this limit, the truncations fall the same way wherever it
// lies, so its pixels are one fixed shape moved to the start point; the tests
// check this for every start point up to the limit.
constexpr int mountain_shape_limit = 1024;

// Sets the same pixels as draw_thick_line from (x, y) to (x + 6, y - 6) when
// `up`, else to (x + 6, y + 6), with half-width 1: a stroke of a range. A
// stroke whose end is not an int draws nothing.
void draw_mountain_stroke(const Canvas& canvas, int x, int y, bool up, std::uint32_t colour);

// Moves a pen coordinate by `step` the way unsigned arithmetic does, wrapping
// past the ends of the int range instead of overflowing: either end is so far
// off any canvas that nothing is drawn there, wrapped or not.
inline int wrapped_sum(int coordinate, int step)
{
    return static_cast<int>(static_cast<std::uint32_t>(coordinate) + static_cast<std::uint32_t>(step));
}

// Calls stroke(from, to, up) for each of the first `steps` strokes of the range
// `code` (bit i set = stroke i goes up), from the pen on, and leaves the pen at
// the end of the last stroke. Every drawing of a range walks it this way.
template <typename Stroke>
void walk_range(Pen& pen, std::uint32_t code, int steps, Stroke&& stroke)
{
    for (int i = 0; i < steps; ++i, code >>= 1U) {
        const bool up = (code & 1U) != 0;
        const Pen from = pen;
        pen = {wrapped_sum(pen.x, stroke_step), wrapped_sum(pen.y, up ? -stroke_step : stroke_step)};
        stroke(from, pen, up);
    }
}

// Draws the first `steps` strokes of the range `code` as a zigzag of mountain
// strokes from the pen, leaving the pen at the end of the last stroke.
void draw_range(const Canvas& canvas, Pen& pen, std::uint32_t code, int steps, std::uint32_t colour);

}  // namespace raster
