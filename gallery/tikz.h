// One page of the gallery as a LaTeX document holding one TikZ picture: the
// layout that draw_page draws, for a paper, with its look set by a few named
// styles that a reader can change.
#pragma once

#include <string>

#include "layout.h"
#include "page.h"

namespace gallery {

// The LaTeX text of `page`, `mark` (one line) in a comment at the top: a
// document of one page_width x page_height bp page that pdflatex compiles
// with no package beyond tikz, geometry and fix-cm. Each range is one \draw
// in the style `mountain` through its stroke ends; each text, the title too,
// a node in the style `caption` with its baseline texts.ascent below the top
// of the image draw_page stamps, in LaTeX's font at texts.pixel_size bp; the
// page is filled in the style `page`. The styles hold `colours`, read as
// 0xRRGGBB, and the stroke width.
std::string page_tikz(const Page& page, const TextImages& texts, const Gallery& gallery, const Colours& colours,
                      const std::string& mark);

}  // namespace gallery
