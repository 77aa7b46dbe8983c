#include "display.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "font_check.h"
#include "layout.h"
#include "ranges/ranges.h"

namespace app {

namespace {

// Every character the title and the captions are written with.
constexpr const char* caption_characters = " MOUNTAIN RANGES WITH LENGTH 0123456789 mountain(s)";

}  // namespace

Display make_display(SDL_Surface* surface, TTF_Font* font)
{
    Display display;
    display.surface = surface;
    display.background = SDL_MapRGB(surface->format, 255, 255, 255);
    display.stroke = SDL_MapRGB(surface->format, 0, 0, 255);
    display.font = font;
    return display;
}

void clear(const Display& display)
{
    // SDL 1.2 fills a 32-bit surface at half the speed of a plain row fill,
    // and a page break clears 1.9 MB.
    SDL_Surface* surface = display.surface;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)
        return;
    raster::fill(canvas_of(surface), display.background);
    if (SDL_MUSTLOCK(surface))
        SDL_UnlockSurface(surface);
}

void draw_caption(const Display& display, const std::string& text, int x, int y)
{
    const std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> image(
        TTF_RenderText_Solid(display.font, text.c_str(), display.text_colour), &SDL_FreeSurface);
    if (!image)
        return;  // SDL_ttf renders nothing for an empty string
    SDL_Rect where = {static_cast<Sint16>(x), static_cast<Sint16>(y), 0, 0};
    SDL_BlitSurface(image.get(), nullptr, display.surface, &where);
}

void draw_title(const Display& display)
{
    char text[64];
    std::snprintf(text, sizeof text, " MOUNTAIN RANGES WITH LENGTH %d", ranges::range_length);
    draw_caption(display, text, gallery::title_x, gallery::title_y);
}

raster::Canvas canvas_of(SDL_Surface* surface)
{
    return {static_cast<std::uint32_t*>(surface->pixels), surface->w, surface->h, surface->pitch};
}

TTF_Font* open_font(const std::string& path, std::string& error)
{
    // SDL_ttf says only "Couldn't open"; find out what is wrong with the file
    // so the message can tell the user what to do about it.
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = "cannot open \"" + path + "\": " + std::strerror(errno);
        return nullptr;
    }
    if (S_ISDIR(info.st_mode)) {
        error = "\"" + path + "\" is a directory, not a font file";
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        // Opening a pipe or a device could block for ever.
        error = "\"" + path + "\" is not a regular file";
        return nullptr;
    }
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
    } else {
        error = "cannot read \"" + path + "\": " + std::strerror(errno);
        return nullptr;
    }
    // SDL_ttf trusts a font's glyph metrics and writes outside its text
    // images for some damaged fonts, and a truncated font can open and still
    // draw every glyph blank; FreeType alone finds both before SDL_ttf draws.
    std::string reason;
    switch (check_font(path, font_size, caption_characters, reason)) {
    case FontVerdict::usable:
        break;
    case FontVerdict::unreadable:
        error = "\"" + path + "\" is not a TrueType font that can be used (" + reason + ")";
        return nullptr;
    case FontVerdict::damaged:
        error = "\"" + path + "\" is a damaged font: " + reason;
        return nullptr;
    }
    TTF_Font* font = TTF_OpenFont(path.c_str(), font_size);
    if (!font)
        error = "\"" + path + "\" is not a TrueType font that can be used (" + TTF_GetError() + ")";
    return font;
}

std::string working_directory()
{
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : "(unknown)";
}

void wait_for_key_or_quit()
{
    SDL_Event event;
    while (SDL_WaitEvent(&event) != 0) {
        if (event.type == SDL_KEYDOWN || event.type == SDL_QUIT)
            return;
    }
    // The event system failed; waiting on would block for ever.
}

void ignore_other_events()
{
    // SDL's queue holds about 128 events and drops what comes on top: a storm
    // of mouse motion could otherwise crowd out the key press behind it.
    for (const Uint8 type : {SDL_ACTIVEEVENT, SDL_KEYUP, SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP})
        SDL_EventState(type, SDL_IGNORE);
}

}  // namespace app
