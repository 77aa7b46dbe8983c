// A sheet of shapes as an SVG document: each range one polyline and the texts
// set as type, so the page scales without steps.
#pragma once

#include <string>

#include "page.h"
#include "shapes.h"

namespace gallery {

// The SVG text of `shapes`: shapes.width x shapes.height user units, in
// `colours` read as 0xRRGGBB, each label set in the font `family` (a Times-like
// face where it has none); `writer` (no "--" in it) names the program in a
// comment after the XML declaration.
std::string shapes_svg(const Shapes& shapes, const std::string& family, const Colours& colours,
                       const std::string& writer);

}  // namespace gallery
