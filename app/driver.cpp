#include "driver.h"

#include <csignal>
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

bool driver_chosen_by_user()
{
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    return driver != nullptr && *driver != '\0';
}

// With no X server to talk to, classic SDL falls back to text-mode drivers
// (libcaca, aalib) that paint the terminal and wait there for ever, and
// sdl12-compat to an off-screen one that shows nothing. Unless the user asked
// for a driver, only the X11 one will do.
void insist_on_a_window_system()
{
    if (!driver_chosen_by_user())
        setenv("SDL_VIDEODRIVER", "x11", 1);
}

// SDL turns SIGINT and SIGTERM into quit requests, which here only turn the
// page; Ctrl-C, kill and the end of a desktop session must end the program.
struct SignalDispositions {
    struct sigaction interrupt {};
    struct sigaction terminate {};
};

SignalDispositions save_signal_dispositions()
{
    SignalDispositions saved;
    sigaction(SIGINT, nullptr, &saved.interrupt);
    sigaction(SIGTERM, nullptr, &saved.terminate);
    return saved;
}

void restore_signal_dispositions(const SignalDispositions& saved)
{
    sigaction(SIGINT, &saved.interrupt, nullptr);
    sigaction(SIGTERM, &saved.terminate, nullptr);
}

}  // namespace

int run()
{
    const SignalDispositions signals = save_signal_dispositions();
    insist_on_a_window_system();
    if (SDL_Init(SDL_INIT_VIDEO) != 0)
        return fail(std::string("no X display (") + SDL_GetError() +
                    "); run it on a desktop or set DISPLAY to a running X server");
    std::atexit(SDL_Quit);

    SDL_Surface* screen = SDL_SetVideoMode(window_width, window_height, window_depth,
                                           SDL_HWSURFACE | SDL_DOUBLEBUF);
    if (!screen)
        return fail(std::string("cannot open an 800 x 600 window: ") + SDL_GetError());
    // Both SDL builds install their handlers while the video starts.
    restore_signal_dispositions(signals);
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
