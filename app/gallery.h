// Draws the enumerated ranges page by page onto a display surface.
#pragma once

#include <functional>

#include "display.h"
#include "layout.h"
#include "ranges/ranges.h"

namespace gallery {

// Draws the captions and ranges of `page` onto the display's surface, on top
// of what is there.
void draw_page(const app::Display& display, const ranges::RangeTables& tables, const Page& page);

// Draws every page of the gallery. At each page break it calls
// `present(page_number)` (counted from 1) and then clears the surface; the
// last page is left on the surface for the caller. Returns the number of pages.
int show_gallery(const app::Display& display, const ranges::RangeTables& tables,
                 const std::function<void(int)>& present);

}  // namespace gallery
