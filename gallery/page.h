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

constexpr int page_width = 800;
constexpr int page_height = 600;

// A text rendered once, as a mask: where ink[y * width + x] is non-zero the
// text colour goes, elsewhere the page shows through.
struct TextImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> ink;
    std::string text;  // what the mask shows, for pages that set it as type
};

// Every text a page can hold: the title, and the caption of each group
// indexed by its value; and the font they were rendered with,
// for pages that set them as type.
struct TextImages {
    TextImage title;
    std::vector<TextImage> captions;  // indexed by value
    std::string family;  // the font's family name; empty if it has none
    int pixel_size = 0;  // pixels per em
    int ascent = 0;      // pixels from the top of a text image to its baseline
};

// The page's colours as pixel values of the canvas's format.
struct Colours {
    std::uint32_t background;
    std::uint32_t stroke;
    std::uint32_t text;
};

// The colours of every page as 0xRRGGBB: white, with blue ranges and black type.
constexpr Colours page_colours = {0xFFFFFF, 0x0000FF, 0x000000};

// The title of the gallery of ranges of `length` strokes.
std::string title_text(int length);

// The caption of the group of `grouping` whose value is `value`.
std::string caption_text(ranges::Grouping grouping, int value);

// Sets the pixels of `image` that carry ink to `colour`, its top left corner
// at (x, y); the part off the canvas is dropped, as a blit clips it.
void stamp_text(const raster::Canvas& canvas, const TextImage& image, int x, int y, std::uint32_t colour);

// Calls text(image, x, y) for the title and each caption of `page` and
// range(code, x, y) for each range, in the order they are drawn: the one walk
// over a page that every rendering of it takes.
template <typename Text, typename Range>
void walk_page(const Page& page, const TextImages& texts, const Gallery& gallery, Text&& text, Range&& range)
{
    for (const Item& item : page) {
        if (item.kind == Item::Kind::title)
            text(texts.title, item.x, item.y);
        else if (item.kind == Item::Kind::caption)
            text(texts.captions[gallery.groups[item.group].value], item.x, item.y);
        else
            range(static_cast<std::uint32_t>(gallery.groups[item.group].codes[item.index]), item.x, item.y);
    }
}

// Fills the canvas with the background and draws every item of `page` on it.
void draw_page(const raster::Canvas& canvas, const TextImages& texts, const Gallery& gallery, const Page& page,
               const Colours& colours);

}  // namespace gallery
