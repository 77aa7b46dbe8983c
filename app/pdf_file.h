// The whole gallery as one PDF document, drawn by cairo: its strokes as paths
// and its texts as type in the pages' own font, embedded, so that a reader can
// print it, search it and copy from it.
#pragma once

#include <string>
#include <vector>

#include "gallery/layout.h"
#include "gallery/page.h"

namespace app {

// The PDF of `pages`, in order, a page_width x page_height pt page each, in
// `colours` read as 0xRRGGBB: each range one path through its stroke ends,
// stroked as the SVG strokes it; each text set at texts.pixel_size pt in the
// TrueType font whose file holds `font_bytes` (a subset of it embedded), its
// baseline texts.ascent below the top of the image draw_page stamps; and
// `creator` as its Creator. On failure returns an empty string and puts the
// cause in `error`.
std::string pdf_bytes(const std::vector<gallery::Page>& pages, const gallery::TextImages& texts,
                      const gallery::Gallery& gallery, const gallery::Colours& colours, const std::string& font_bytes,
                      const std::string& creator, std::string& error);

}  // namespace app
