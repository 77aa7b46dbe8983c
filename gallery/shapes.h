// A sheet of the gallery's items as vector shapes: the polyline of each range
// and the baseline of each text, in the pixels of draw_page's canvas. The SVG,
// TikZ and PDF writers all draw from these, so no two of them can disagree on
// where a stroke or a line of type lies, or how wide a stroke is.
#pragma once

#include <string>
#include <vector>

#include "layout.h"
#include "page.h"
#include "raster/raster.h"

namespace gallery {

// The width of a range's stroke: the bitmap's ticks reach stroke_half_width
// pixels to either side of the line's own pixel.
constexpr int stroke_width = 2 * raster::stroke_half_width + 1;

struct Point {
    int x;
    int y;
};

// A text set as type, its baseline starting at (x, y).
struct Label {
    std::string text;
    int x;
    int y;
};

// What a writer draws on one sheet, in the order it is drawn: the ranges
// first and the texts over them, as draw_page has them.
struct Shapes {
    int width;      // of the sheet, one unit a pixel of draw_page's canvas
    int height;
    int text_size;  // of every label, in units per em
    std::vector<std::vector<Point>> polylines;  // a range each, through the ends of its strokes
    std::vector<Label> labels;
};

// The shapes of `items` of `gallery` on a `width` x `height` sheet: each range
// the polyline through its stroke ends, each text at texts.pixel_size with its
// baseline texts.ascent below the top of the image that draw_page stamps.
Shapes item_shapes(const std::vector<Item>& items, const Gallery& gallery, const TextImages& texts,
                   int width = page_width, int height = page_height);

}  // namespace gallery
