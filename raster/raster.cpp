#include "raster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace raster {

namespace {

// Truncates towards zero like a plain cast, but saturates where a cast would
// be undefined (ticks of an absurd half-width far off the canvas).
int truncate(double value)
{
    if (!(value > -2147483649.0))
        return std::numeric_limits<int>::min();
    if (value >= 2147483648.0)
        return std::numeric_limits<int>::max();
    return static_cast<int>(value);
}

// The ticks lean by a hair, less than a float can hold next to a coordinate.
// The difference of two floats is exact in double; rounded to float it can land
// on the next whole number and move the truncated end by a pixel.
int tick_end(float from, float lean)
{
    return truncate(static_cast<double>(from) - static_cast<double>(lean));
}

bool fits_int(std::int64_t value)
{
    return value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
}

}  // namespace

void fill(const Canvas& canvas, std::uint32_t colour)
{
    for (int y = 0; y < canvas.height; ++y) {
        auto* row = reinterpret_cast<std::uint8_t*>(canvas.pixels) + static_cast<std::ptrdiff_t>(y) * canvas.pitch;
        std::fill_n(reinterpret_cast<std::uint32_t*>(row), canvas.width, colour);
    }
}

void put_pixel(const Canvas& canvas, int x, int y, std::uint32_t colour)
{
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height)
        return;
    auto* row = reinterpret_cast<std::uint8_t*>(canvas.pixels) +
                static_cast<std::ptrdiff_t>(y) * canvas.pitch;
    reinterpret_cast<std::uint32_t*>(row)[x] = colour;
}

void draw_line(const Canvas& canvas, int x0, int y0, int x1, int y1, std::uint32_t colour)
{
    put_pixel(canvas, x0, y0, colour);

    // 64-bit differences: the span of two ints does not fit in an int.
    const std::int64_t dx = std::int64_t{x1} - x0;
    const std::int64_t dy = std::int64_t{y1} - y0;
    const int sx = dx > 0 ? 1 : -1;
    const int sy = dy > 0 ? 1 : -1;
    const std::int64_t ax = std::abs(dx);
    const std::int64_t ay = std::abs(dy);
    std::int64_t x = x0;
    std::int64_t y = y0;
    const auto put = [&] { put_pixel(canvas, static_cast<int>(x), static_cast<int>(y), colour); };

    if (dx == 0) {
        for (std::int64_t i = 0; i < ay; ++i) {
            y += sy;
            put();
        }
    } else if (dy == 0) {
        for (std::int64_t i = 0; i < ax; ++i) {
            x += sx;
            put();
        }
    } else if (ax == ay) {
        for (std::int64_t i = 0; i < ax; ++i) {
            x += sx;
            y += sy;
            put();
        }
    } else if (ax > ay) {
        // The error term starts at 0, not at half the major length, so the
        // minor coordinate steps late: (0, 0)-(4, 1) ends in a single step up.
        std::int64_t e = 0;
        for (std::int64_t i = 0; i < ax; ++i) {
            e += ay;
            x += sx;
            if (e >= ax) {
                e -= ax;
                y += sy;
            }
            put();
        }
    } else {
        std::int64_t e = 0;
        for (std::int64_t i = 0; i < ay; ++i) {
            e += ax;
            y += sy;
            if (e >= ay) {
                e -= ay;
                x += sx;
            }
            put();
        }
    }
}

void draw_thick_line(const Canvas& canvas, int x0, int y0, int x1, int y1, int half_width,
                     std::uint32_t colour)
{
    draw_line(canvas, x0, y0, x1, y1, colour);

    // The precision of every value below is part of the result: the ticks are
    // truncated, so one rounding more or less moves a pixel.
    const double dx = static_cast<double>(x1) - x0;
    const double dy = static_cast<double>(y1) - y0;
    const float length = static_cast<float>(std::sqrt(dx * dx + dy * dy));
    if (length == 0.0F)
        return;

    const double ux = half_width * dx / length;
    const float uy = static_cast<float>(half_width * dy / length);

    // Quarter turns by the single-precision value of pi/2, whose cosine is not
    // quite 0: the ticks lean by a hair, and the pixels they reach show it.
    const double h = static_cast<double>(1.57079632679489661923F);
    const float e = static_cast<float>(std::cos(h) * ux - std::sin(h) * uy);
    const float d = static_cast<float>(std::sin(h) * ux + std::cos(h) * uy);
    const float c = static_cast<float>(std::cos(-h) * ux - std::sin(-h) * uy);
    const float b = static_cast<float>(std::sin(-h) * ux + std::cos(-h) * uy);

    const double t_step = 0.1 / length;
    for (float t = 0.0F; t <= 1.0F;) {
        const float px = static_cast<float>(x0 * (1.0 - t) + x1 * static_cast<double>(t));
        const float py = static_cast<float>(y1 * static_cast<double>(t) + y0 * (1.0 - t));
        const int ix = truncate(px);
        const int iy = truncate(py);
        draw_line(canvas, ix, iy, tick_end(px, e), tick_end(py, d), colour);
        draw_line(canvas, ix, iy, tick_end(px, c), tick_end(py, b), colour);

        const float next = static_cast<float>(t + t_step);
        if (next == t)
            break;  // a line so long that the step is lost in rounding
        t = next;
    }
}

namespace {

// One horizontal run of a stroke's pixels, relative to its start point.
struct Run {
    int dy;
    int first_dx;
    int last_dx;
};

struct StrokeShape {
    std::array<Run, 2 * stroke_step + 4> runs{};
    int run_count = 0;
    int left = 0, right = 0, top = 0, bottom = 0;  // bounds of all runs
};

// Draws one stroke with the thick-line algorithm itself and records the
// pixels it sets, so the shape is whatever that algorithm draws.
StrokeShape trace_stroke(bool up)
{
    constexpr int size = 4 * stroke_step;
    constexpr int origin_x = stroke_step + 2;
    constexpr int origin_y = 2 * stroke_step;
    constexpr std::uint32_t unset = 0;
    std::array<std::uint32_t, std::size_t{size} * size> pixels{};
    const Canvas scratch{pixels.data(), size, size, size * 4};
    draw_thick_line(scratch, origin_x, origin_y, origin_x + stroke_step,
                    origin_y + (up ? -stroke_step : stroke_step), stroke_half_width, 1);

    StrokeShape shape;
    shape.left = shape.top = size;
    shape.right = shape.bottom = -size;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (pixels[y * size + x] == unset || (x > 0 && pixels[y * size + x - 1] != unset))
                continue;
            int end = x;
            while (end + 1 < size && pixels[y * size + end + 1] != unset)
                ++end;
            shape.runs[shape.run_count++] = {y - origin_y, x - origin_x, end - origin_x};
            shape.left = std::min(shape.left, x - origin_x);
            shape.right = std::max(shape.right, end - origin_x);
            shape.top = std::min(shape.top, y - origin_y);
            shape.bottom = std::max(shape.bottom, y - origin_y);
        }
    }
    return shape;
}

const StrokeShape& stroke_shape(bool up)
{
    static const StrokeShape up_shape = trace_stroke(true);
    static const StrokeShape down_shape = trace_stroke(false);
    return up ? up_shape : down_shape;
}

}  // namespace

void draw_mountain_stroke(const Canvas& canvas, int x, int y, bool up, std::uint32_t colour)
{
    // Sums in 64 bits: near the ends of the int range they would wrap, and a
    // stroke far off the canvas would pass for one on it.
    const std::int64_t end_x = std::int64_t{x} + stroke_step;
    const std::int64_t end_y = std::int64_t{y} + (up ? -stroke_step : stroke_step);
    if (!fits_int(end_x) || !fits_int(end_y))
        return;  // the end is not an int: the stroke lies billions of pixels off the canvas

    const StrokeShape& shape = stroke_shape(up);
    // On the canvas, all of the stroke's coordinates are positive.
    const bool shape_holds = x < mountain_shape_limit && y < mountain_shape_limit;
    const bool on_canvas = std::int64_t{x} + shape.left >= 0 && std::int64_t{y} + shape.top >= 0 &&
                           std::int64_t{x} + shape.right < canvas.width &&
                           std::int64_t{y} + shape.bottom < canvas.height;
    if (!shape_holds || !on_canvas) {
        draw_thick_line(canvas, x, y, static_cast<int>(end_x), static_cast<int>(end_y), stroke_half_width,
                        colour);
        return;
    }
    auto* origin = reinterpret_cast<std::uint8_t*>(canvas.pixels) + static_cast<std::ptrdiff_t>(y) * canvas.pitch;
    for (int i = 0; i < shape.run_count; ++i) {
        const Run& run = shape.runs[i];
        auto* row = reinterpret_cast<std::uint32_t*>(origin + static_cast<std::ptrdiff_t>(run.dy) * canvas.pitch);
        for (int dx = run.first_dx; dx <= run.last_dx; ++dx)
            row[x + dx] = colour;
    }
}

void draw_range(const Canvas& canvas, Pen& pen, std::uint32_t code, int steps, std::uint32_t colour)
{
    walk_range(pen, code, steps,
               [&](const Pen& from, const Pen&, bool up) { draw_mountain_stroke(canvas, from.x, from.y, up, colour); });
}

}  // namespace raster
