// An in-memory canvas for pixel tests, with guard words around it and padding
// at the end of every row, so stray writes show up even without a sanitizer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "raster/raster.h"

namespace testing_canvas {

constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t blue = 0x0000FF;
constexpr std::uint32_t guard = 0xDEADBEEF;
constexpr int margin = 64;  // guard words before and after the rows

using Point = std::pair<int, int>;  // (x, y)

struct TestCanvas {
    int width, height, stride;  // stride: words per row, past the width by the padding
    std::vector<std::uint32_t> memory;

    TestCanvas(int w, int h, int padding = 7)
        : width(w), height(h), stride(w + padding), memory(std::size_t(stride) * h + 2 * margin, guard)
    {
        for (int y = 0; y < h; ++y)
            std::fill_n(&at(0, y), w, white);
    }

    std::uint32_t& at(int x, int y) { return memory[margin + std::size_t(y) * stride + x]; }

    raster::Canvas view() { return {&memory[margin], width, height, stride * 4}; }

    // Pixels that are no longer white.
    std::set<Point> painted()
    {
        std::set<Point> points;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (at(x, y) != white)
                    points.insert({x, y});
        return points;
    }

    // True when the guard words and the row padding are untouched.
    bool guards_intact() const
    {
        for (std::size_t i = 0; i < memory.size(); ++i) {
            const bool pixel = i >= margin && i < memory.size() - margin && int((i - margin) % stride) < width;
            if (!pixel && memory[i] != guard)
                return false;
        }
        return true;
    }
};

// The points marked '#' in an ASCII picture whose top left stands for (left, top).
inline std::set<Point> points_of(const std::vector<std::string>& picture, int left, int top)
{
    std::set<Point> points;
    for (std::size_t row = 0; row < picture.size(); ++row)
        for (std::size_t col = 0; col < picture[row].size(); ++col)
            if (picture[row][col] == '#')
                points.insert({left + int(col), top + int(row)});
    return points;
}

// The first point of [x0, x1) x [y0, y1) where `bad` holds, as "(x, y)"; "" if none.
template <typename Bad>
std::string first_point(int x0, int y0, int x1, int y1, Bad&& bad)
{
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (bad(x, y))
                return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return "";
}

}  // namespace testing_canvas
