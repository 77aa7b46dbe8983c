// Sheets of shapes as one PDF document, drawn by cairo: strokes as paths and
// texts as type in the pages' own font, embedded, so that a reader can print
// it, search it and copy from it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "gallery/page.h"
#include "gallery/shapes.h"
#include "paper_sizes.h"

namespace app {

// The thinnest stroke and the smallest type that a print still shows, in points.
constexpr double thinnest_stroke = 0.25;
constexpr double smallest_type = 4;

// What a PDF says of itself in its metadata, and the paper it is printed on.
struct PdfSettings {
    std::string title;
    std::string creator;
    std::optional<Paper> paper;  // none: each page a sheet of its own size, a unit a point
    bool poster = false;         // the one page a poster: on paper, upright and unnumbered
};

// The PDF of `pages` (at least one), in order, in `colours` read as 0xRRGGBB:
// each polyline one path, stroked stroke_width wide with round joins and
// caps, as the SVG strokes it; each label set in the TrueType font whose file
// holds `font_bytes` (a subset of it embedded). On settings.paper, each page
// goes on a sheet of that paper turned as the page is, scaled as large as
// fits inside margins of 10 mm with the line "page N of M" under it, small,
// in the same font; page and line centred on the sheet. A poster goes on the
// sheet upright, whatever its shape, with no number. On failure returns an
// empty string and puts the cause in `error`.
std::string pdf_bytes(const std::vector<gallery::Shapes>& pages, const gallery::Colours& colours,
                      const std::string& font_bytes, const PdfSettings& settings, std::string& error);

// Whether the poster `sheet`, set on `paper` as pdf_bytes sets it, keeps
// strokes of thinnest_stroke and type of smallest_type at least. Reads only
// the sheet's size and its type's.
bool legible_poster(const gallery::Shapes& sheet, const Paper& paper);

}  // namespace app
