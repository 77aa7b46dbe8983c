#include "driver.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "display.h"
#include "gallery.h"
#include "ranges/ranges.h"

namespace app {

namespace {

int fail(const std::string& message)
{
    std::fprintf(stderr, "mountain-ranges: %s\n", message.c_str());
    return 1;
}

}  // namespace

int run()
{
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return fail(std::string("cannot start the display: ") + SDL_GetError() +
                    "; run it on a desktop, or set DISPLAY to a running X server");
    std::atexit(SDL_Quit);

    SDL_Surface* screen = SDL_SetVideoMode(window_width, window_height, window_depth,
                                           SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (!screen)
        return fail(std::string("cannot open an 800 x 600 window: ") + SDL_GetError());
    ignore_other_events();

    Display display = make_display(screen, nullptr);
    clear(display);

    if (TTF_Init() != 0)
        return fail(std::string("cannot start the font library: ") + TTF_GetError());
    std::string error;
    display.font = open_font(font_file, error);
    if (!display.font) {
        TTF_Quit();
        return fail(error + "; the program needs a TrueType font named \"" + font_file +
                    "\" in its working directory, " + working_directory());
    }

    draw_title(display);
    const ranges::RangeTables tables = ranges::enumerate_ranges();
    gallery::show_gallery(display, tables, [&](int) {
        SDL_Flip(screen);
        wait_for_key_or_quit();
    });
    SDL_Flip(screen);
    wait_for_key_or_quit();

    TTF_CloseFont(display.font);
    TTF_Quit();
    return 0;
}

}  // namespace app
