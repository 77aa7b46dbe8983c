#include "gallery.h"

#include <cstdio>

namespace gallery {

namespace {

// Keeps the surface locked while ranges are drawn into its memory, and
// unlocked while captions are blitted, which SDL does not allow on a locked
// surface.
struct SurfaceLock {
    SDL_Surface* surface;
    bool locked = false;

    void lock()
    {
        if (!locked && SDL_MUSTLOCK(surface))
            locked = SDL_LockSurface(surface) == 0;
    }
    void unlock()
    {
        if (locked)
            SDL_UnlockSurface(surface);
        locked = false;
    }
};

}  // namespace

void draw_page(const app::Display& display, const ranges::RangeTables& tables, const Page& page)
{
    SurfaceLock lock{display.surface};
    for (const Item& item : page) {
        if (item.kind == Item::Kind::caption) {
            lock.unlock();
            char text[32];
            std::snprintf(text, sizeof text, "  %d mountain(s)", item.mountains);
            app::draw_caption(display, text, item.x, item.y);
        } else {
            lock.lock();
            raster::Pen pen{item.x, item.y};
            raster::draw_range(app::canvas_of(display.surface), pen,
                               tables.range_table[item.mountains][item.index],
                               ranges::range_length, display.stroke);
        }
    }
    lock.unlock();
}

int show_gallery(const app::Display& display, const ranges::RangeTables& tables,
                 const std::function<void(int)>& present)
{
    const std::vector<Page> pages = lay_out_gallery(tables.range_count);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0) {
            present(static_cast<int>(i));
            app::clear(display);
        }
        draw_page(display, tables, pages[i]);
    }
    return static_cast<int>(pages.size());
}

}  // namespace gallery
