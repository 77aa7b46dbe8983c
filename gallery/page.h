// One page of the gallery drawn into a canvas: the background, the texts
// stamped from their pre-rendered images, and the ranges as thick zigzags.
// The window and the files only show or store what is drawn here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "layout.h"
#include "raster/raster.h"
#include "ranges/ranges.h"

namespace gallery {

// A text rendered once, as a mask: where ink[y * width + x] is non-zero the
// text colour goes, elsewhere the page shows through.
struct TextImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> ink;
};

// The texts of one gallery rendered, and the font they were rendered with,
// for pages that set them as type.
struct TextImages {
    std::vector<TextImage> images;  // one for each of the gallery's texts, in their order
    std::string family;  // the font's family name; empty if it has none
    int pixel_size = 0;  // pixels per em
    int ascent = 0;      // pixels from the top of a text image to its baseline
};

// The height of the tallest of `texts`' images: the layout's text height.
int text_height(const TextImages& texts);

// The page's colours as pixel values of the canvas's format.
struct Colours {
    std::uint32_t background;
    std::uint32_t stroke;
    std::uint32_t text;
};

// The colours of every page as 0xRRGGBB: white, with blue ranges and black type.
constexpr Colours page_colours = {0xFFFFFF, 0x0000FF, 0x000000};

// Sets the pixels of `image` that carry ink to `colour`, its top left corner
// at (x, y); the part off the canvas is dropped, as a blit clips it.
void stamp_text(const raster::Canvas& canvas, const TextImage& image, int x, int y, std::uint32_t colour);

// A range is drawn from the low 32 bits of its code: enough for any page or poster.
static_assert(longest_length <= 32 && longest_poster_length <= 32);

// Calls text(index, x, y) for the title and each caption of `page`, with the
// text's place in gallery.texts, and range(code, x, y) for each range, in the
// order they are drawn: the one walk over a page that every rendering of it
// takes.
template <typename Text, typename Range>
void walk_page(const Page& page, const Gallery& gallery, Text&& text, Range&& range)
{
    for (const Item& item : page) {
        if (item.kind == Item::Kind::range)
            range(static_cast<std::uint32_t>(gallery.groups[item.group].codes[item.index]), item.x, item.y);
        else
            text(item.index, item.x, item.y);
    }
}

// Fills the canvas with the background and draws every item of `page` on it,
// each text from its image in `texts`, rendered from gallery.texts.
void draw_page(const raster::Canvas& canvas, const TextImages& texts, const Gallery& gallery, const Page& page,
               const Colours& colours);

}  // namespace gallery
