// Sheets of shapes as one PDF document, drawn by cairo: strokes as paths and
// texts as type in the pages' own font, embedded, so that a reader can print
// it, search it and copy from it.
#pragma once

#include <string>
#include <vector>

#include "gallery/page.h"
#include "gallery/shapes.h"

namespace app {

// The PDF of `pages` (at least one), in order, each a sheet of its own size, a
// unit a point, in `colours` read as 0xRRGGBB: each polyline one path,
// stroked stroke_width wide with round joins and caps, as the SVG strokes it;
// each label set in the TrueType font whose file holds `font_bytes` (a subset
// of it embedded); and `creator` as its Creator. On failure returns an empty
// string and puts the cause in `error`.
std::string pdf_bytes(const std::vector<gallery::Shapes>& pages, const gallery::Colours& colours,
                      const std::string& font_bytes, const std::string& creator, std::string& error);

}  // namespace app
