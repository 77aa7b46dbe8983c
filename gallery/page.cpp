#include "page.h"

#include <algorithm>

namespace gallery {

int text_height(const TextImages& texts)
{
    int height = 0;
    for (const TextImage& image : texts.images)
        height = std::max(height, image.height);
    return height;
}

void stamp_text(const raster::Canvas& canvas, const TextImage& image, int x, int y, std::uint32_t colour)
{
    // 64-bit bounds: a corner far off the canvas must not wrap around onto it.
    const auto first_x = static_cast<int>(std::max<std::int64_t>(0, -std::int64_t{x}));
    const auto first_y = static_cast<int>(std::max<std::int64_t>(0, -std::int64_t{y}));
    const auto end_x = static_cast<int>(
        std::max<std::int64_t>(0, std::min<std::int64_t>(image.width, std::int64_t{canvas.width} - x)));
    const auto end_y = static_cast<int>(
        std::max<std::int64_t>(0, std::min<std::int64_t>(image.height, std::int64_t{canvas.height} - y)));
    for (int row = first_y; row < end_y; ++row) {
        const std::uint8_t* ink = image.ink.data() + static_cast<std::ptrdiff_t>(row) * image.width;
        auto* out = reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(canvas.pixels) +
                                                     static_cast<std::ptrdiff_t>(y + row) * canvas.pitch);
        for (int column = first_x; column < end_x; ++column)
            if (ink[column] != 0)
                out[x + column] = colour;
    }
}

void draw_page(const raster::Canvas& canvas, const TextImages& texts, const Gallery& gallery, const Page& page,
               const Colours& colours)
{
    raster::fill(canvas, colours.background);
    // The ranges first and the texts over them, as in the SVG: where a tall
    // range reaches up to its group's caption, the caption stays legible.
    walk_page(page, gallery, [](int, int, int) {}, [&](std::uint32_t code, int x, int y) {
        raster::Pen pen{x, y};
        raster::draw_range(canvas, pen, code, gallery.length, colours.stroke);
    });
    walk_page(
        page, gallery,
        [&](int text, int x, int y) { stamp_text(canvas, texts.images[text], x, y, colours.text); },
        [](std::uint32_t, int, int) {});
}

}  // namespace gallery
