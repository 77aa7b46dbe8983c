// A sheet of shapes as a TikZ picture for a paper to \input, its look set by a
// few named styles that the paper may set first; and a document of pictures.
#pragma once

#include <string>
#include <vector>

#include "page.h"
#include "shapes.h"

namespace gallery {

// The LaTeX text of `shapes` as one tikzpicture of shapes.width x
// shapes.height bp, `mark` (one line) in a comment on the first line: a file
// that a document loading tikz can \input, in a box too, as no line adds a
// space. Each range is one \draw in the style `mountain` through its stroke
// ends; each label a node in the style `caption` at its baseline, in LaTeX's
// font at shapes.text_size bp; the sheet is filled in the style `page`. The
// file defines each style, from `colours` read as 0xRRGGBB and the stroke
// width, only where the document has not.
std::string shapes_tikz(const Shapes& shapes, const Colours& colours, const std::string& mark);

// A LaTeX document that pdflatex compiles into a `width` x `height` bp page
// for each file of `pictures` (names as \input takes them, from its folder),
// each \input whole on its page; `mark` (one line) in a comment on the first
// line.
std::string tikz_document(const std::vector<std::string>& pictures, int width, int height, const std::string& mark);

}  // namespace gallery
