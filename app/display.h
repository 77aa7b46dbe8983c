// The display context shared by the driver and the gallery: the surface being
// drawn on, the program's colours and font, captions, and the one place where
// the program waits for the user.
#pragma once

#include <string>

#include "SDL.h"
#include "SDL_ttf.h"
#include "raster/raster.h"

namespace app {

constexpr int window_width = 800;
constexpr int window_height = 600;
constexpr int window_depth = 32;
constexpr const char* font_file = "times.ttf";
constexpr int font_size = 20;

struct Display {
    SDL_Surface* surface = nullptr;
    Uint32 background = 0;  // white, in the surface's pixel format
    Uint32 stroke = 0;      // blue, in the surface's pixel format
    SDL_Color text_colour = {0, 0, 0, 0};
    TTF_Font* font = nullptr;
};

// A display drawing on `surface` (32 bits per pixel) with `font`, its colours
// mapped to the surface's format.
Display make_display(SDL_Surface* surface, TTF_Font* font);

// Fills the whole surface with the background colour.
void clear(const Display& display);

// Renders `text` in black with the display's font and copies it onto the
// surface with its top left corner at (x, y). Empty text draws nothing.
void draw_caption(const Display& display, const std::string& text, int x, int y);

// Draws the program's title at the top left of the first page.
void draw_title(const Display& display);

// A view of the surface's pixels for the raster code; the caller keeps the
// surface locked while it draws if SDL_MUSTLOCK says so.
raster::Canvas canvas_of(SDL_Surface* surface);

// Opens the TrueType font at `path` in the program's point size. On failure
// returns null and puts in `error` a sentence naming the cause.
TTF_Font* open_font(const std::string& path, std::string& error);

// The working directory, where a relative font name such as font_file is
// looked up, for messages; "(unknown)" if it cannot be had.
std::string working_directory();

// Blocks until the user presses a key or asks to close the window; every other
// event is dropped.
void wait_for_key_or_quit();

// Tells SDL not to queue the events wait_for_key_or_quit would drop anyway.
void ignore_other_events();

}  // namespace app
