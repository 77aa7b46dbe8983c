// A sheet of shapes as a LaTeX document holding one TikZ picture, for a
// paper, with its look set by a few named styles that a reader can change.
#pragma once

#include <string>

#include "page.h"
#include "shapes.h"

namespace gallery {

// The LaTeX text of `shapes`, `mark` (one line) in a comment at the top: a
// document of one shapes.width x shapes.height bp page that pdflatex compiles
// with no package beyond tikz, geometry and fix-cm. Each range is one \draw
// in the style `mountain` through its stroke ends; each label a node in the
// style `caption` at its baseline, in LaTeX's font at shapes.text_size bp;
// the page is filled in the style `page`. The styles hold `colours`, read as
// 0xRRGGBB, and the stroke width.
std::string shapes_tikz(const Shapes& shapes, const Colours& colours, const std::string& mark);

}  // namespace gallery
