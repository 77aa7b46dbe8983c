// One page of the gallery as an SVG document: the layout that draw_page
// draws, with each range as one polyline and the texts set as type, so the
// page scales without steps.
#pragma once

#include <string>

#include "layout.h"
#include "page.h"
#include "ranges/ranges.h"

namespace gallery {

// The SVG text of `page`: page_width x page_height user units, one for each
// pixel of draw_page's canvas, in `colours` read as 0xRRGGBB; each text set
// in texts.family at texts.pixel_size, its baseline texts.ascent below the
// top of the image draw_page stamps; `writer` (no "--" in it) names the
// program in a comment after the XML declaration.
std::string page_svg(const Page& page, const TextImages& texts, const Gallery& gallery, const Colours& colours,
                     const std::string& writer);

}  // namespace gallery
