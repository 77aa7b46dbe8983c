#include "shapes.h"

namespace gallery {

Shapes item_shapes(const std::vector<Item>& items, const Gallery& gallery, const TextImages& texts, int width,
                   int height)
{
    Shapes shapes{width, height, texts.pixel_size, {}, {}};
    walk_page(
        items, gallery,
        [&](int index, int x, int y) { shapes.labels.push_back({gallery.texts[index], x, y + texts.ascent}); },
        [&](std::uint32_t code, int x, int y) {
            std::vector<Point>& line = shapes.polylines.emplace_back();
            line.reserve(static_cast<std::size_t>(gallery.length) + 1);
            line.push_back({x, y});
            raster::Pen pen{x, y};
            raster::walk_range(pen, code, gallery.length,
                               [&](const raster::Pen&, const raster::Pen& to, bool) { line.push_back({to.x, to.y}); });
        });
    return shapes;
}

}  // namespace gallery
