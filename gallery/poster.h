// Every range of one length on a single sheet: the title on top, each group
// under its caption, the ranges in rows in gallery order. Plain arithmetic,
// like the pages' layout, so each writer draws the poster's items as it draws
// a page's.
#pragma once

#include "layout.h"
#include "page.h"
#include "raster/raster.h"

namespace gallery {

// A stroke's width, plus one: the blank pixels the poster keeps, in the
// bitmap draw_range draws, between the ink of any two ranges and between a
// range's ink and a text's box (its image's width by the text height). The
// vector strokes, 3 units wide through the stroke ends, reach half a unit
// further on every side than the bitmap's ink, so two ranges still keep a
// stroke's width apart there.
constexpr int poster_clearance = 2 * raster::stroke_half_width + 2;

// One sheet holding a whole gallery, in units that are the pixels of a page
// (points of a PDF at the pages' scale).
struct Poster {
    int width = 0;
    int height = 0;
    Page items;  // as on a page: the title, then each group's caption and ranges
};

// Lays out every range of `gallery` (of any length up to
// longest_poster_length) on one sheet, `columns` (1 or more) to a full row,
// with the texts' sizes from `texts`: the title at the top left, then each
// group in turn, its caption and under it its ranges in rows, a stroke's six
// units and 15 more from one range's start to the next; each row as tall as
// its tallest range and poster_clearance under the caption or the row before,
// the pages' gaps under the title and between groups, and the pages' margin
// of 10 blank pixels all round, the sheet at least as wide as the widest text
// needs.
Poster lay_out_poster(const Gallery& gallery, const TextImages& texts, int columns);

// The poster above with the number of columns, at most the size of the
// largest group, whose sheet's height over width comes no further from
// sqrt(2), an A-series sheet upright, than with a column more or fewer. Where
// even one column leaves the sheet lower than that, its width set by a title
// wider than the ranges need (lengths 2 to 8 in the program's font), the
// ranges stand in one column under the title.
Poster lay_out_poster(const Gallery& gallery, const TextImages& texts);

}  // namespace gallery
