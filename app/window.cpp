#include "window.h"

#include <langinfo.h>

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "SDL.h"
#include "SDL_syswm.h"
#include "font.h"
#include "gallery/page.h"
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
// Both SDL builds install their handlers while the video starts, so the
// signals are held off until the old dispositions are back: one that came
// meanwhile then ends the program.
struct HeldSignals {
    struct sigaction interrupt {};
    struct sigaction terminate {};
    sigset_t mask{};
};

HeldSignals hold_signals()
{
    HeldSignals saved;
    sigaction(SIGINT, nullptr, &saved.interrupt);
    sigaction(SIGTERM, nullptr, &saved.terminate);
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigprocmask(SIG_BLOCK, &held, &saved.mask);
    return saved;
}

void release_signals(const HeldSignals& saved)
{
    sigaction(SIGINT, &saved.interrupt, nullptr);
    sigaction(SIGTERM, &saved.terminate, nullptr);
    sigprocmask(SIG_SETMASK, &saved.mask, nullptr);
}

void ignore_other_events()
{
    // SDL's queue holds about 128 events and drops what comes on top: a storm
    // of mouse motion could otherwise crowd out the key press behind it.
    for (const Uint8 type : {SDL_ACTIVEEVENT, SDL_KEYUP, SDL_MOUSEMOTION, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP})
        SDL_EventState(type, SDL_IGNORE);
}

// Where the key `key` leads from page `shown` of `count` while browsing:
// `shown` for a key that does nothing, `count` to end the program.
int browse_to(SDLKey key, int shown, int count)
{
    switch (key) {
    case SDLK_RIGHT: case SDLK_DOWN: case SDLK_PAGEDOWN: case SDLK_SPACE: case SDLK_RETURN: case SDLK_KP_ENTER:
        return std::min(shown + 1, count - 1);
    case SDLK_LEFT: case SDLK_UP: case SDLK_PAGEUP: case SDLK_BACKSPACE: return std::max(shown - 1, 0);
    case SDLK_HOME: return 0;
    case SDLK_END: return count - 1;
    case SDLK_q: case SDLK_ESCAPE: return count;
    default: return shown;
    }
}

// Blocks until the user leaves page `shown` of `count`, and returns the page
// to show next, or `count` to end. Unless browsing, every key press and close
// request turns the page, so the gallery is always seen to its end. Returns
// -1 when the event system fails, as waiting on would block for ever.
int wait_for_turn(int shown, int count, bool browse)
{
    SDL_Event event;
    while (SDL_WaitEvent(&event) != 0) {
        if (event.type != SDL_KEYDOWN && event.type != SDL_QUIT)
            continue;
        if (!browse)
            return shown + 1;
        if (const int next = event.type == SDL_QUIT ? count : browse_to(event.key.keysym.sym, shown, count); next != shown)
            return next;
    }
    return -1;
}

std::string with_plain_dash(std::string title)
{
    const std::string dash = "\u2014";
    for (std::size_t at; (at = title.find(dash)) != std::string::npos;)
        title.replace(at, dash.size(), "-");
    return title;
}

// SDL hands the title to X through the locale: outside a UTF-8 locale
// neither SDL build sets _NET_WM_NAME for a title with an em dash, so there
// the dash is a plain one. WM_NAME, which older window managers and taskbars
// read, holds Latin-1 text: classic SDL stores the locale's bytes there as if
// they were, sdl12-compat labels them with the locale's name, so on X both
// get the title with a plain dash here. With no icon name of its own, the
// window's icon shows the title.
void set_title(const std::string& title, bool utf8_locale)
{
    const std::string plain = with_plain_dash(title);
    SDL_WM_SetCaption(utf8_locale ? title.c_str() : plain.c_str(), nullptr);
    SDL_SysWMinfo wm;
    SDL_VERSION(&wm.version);
    if (SDL_GetWMInfo(&wm) > 0 && wm.subsystem == SDL_SYSWM_X11) {
        // sdl12-compat leaves wmwindow at 0: its one window is the managed one.
        const Window managed = wm.info.x11.wmwindow != 0 ? wm.info.x11.wmwindow : wm.info.x11.window;
        wm.info.x11.lock_func();
        XStoreName(wm.info.x11.display, managed, plain.c_str());
        XSync(wm.info.x11.display, False);  // named before the page is drawn
        wm.info.x11.unlock_func();
    }
}

// SDL's X11 driver opens a probe connection and closes it before its real
// one. A server with no other client resets in between and refuses the real
// connection for a moment, so a named display gets a few more tries. Returns
// why the video could not be started, or "" once it is.
std::string start_video()
{
    const bool display_named = std::getenv("DISPLAY") != nullptr;
    std::string error;
    for (int attempt = 0; attempt <= 10; ++attempt) {
        // After a failed call sdl12-compat reports success without starting the video.
        if (SDL_Init(SDL_INIT_VIDEO) == 0 && SDL_WasInit(SDL_INIT_VIDEO) != 0)
            return "";
        error = *SDL_GetError() != '\0' ? SDL_GetError() : error;
        if (!display_named)
            break;
        SDL_Delay(50);
    }
    return error;
}

// Draws the page straight into the window's surface, the one place that
// locks it, and shows it. Returns false, showing nothing, when the surface
// cannot be locked.
bool show_page(SDL_Surface* screen, const gallery::TextImages& texts, const gallery::Gallery& gallery,
               const gallery::Page& page, const gallery::Colours& colours)
{
    if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0)
        return false;
    const raster::Canvas canvas{static_cast<std::uint32_t*>(screen->pixels), screen->w, screen->h, screen->pitch};
    gallery::draw_page(canvas, texts, gallery, page, colours);
    if (SDL_MUSTLOCK(screen))
        SDL_UnlockSurface(screen);
    SDL_Flip(screen);
    return true;
}

}  // namespace

int run_window(const Options& options)
{
    // The texts first: a font that cannot be used fails before a window opens.
    const gallery::Gallery gallery = gallery::make_gallery(options.length, options.grouping);
    gallery::TextImages texts;
    std::string error;
    if (!render_texts(options.font.empty() ? default_font() : options.font, gallery.texts, texts, error)) {
        if (options.font.empty())
            error += "; without --font PATH the program looks for its TrueType font as " + default_font_places();
        return fail(error);
    }

    const HeldSignals signals = hold_signals();
    insist_on_a_window_system();
    const std::string cause = start_video();
    SDL_Surface* screen = cause.empty() ? SDL_SetVideoMode(gallery::page_width, gallery::page_height, 32,
                                                           SDL_HWSURFACE | SDL_DOUBLEBUF)
                                        : nullptr;
    release_signals(signals);
    if (!cause.empty())
        return fail("no X display (" + cause + "); run it on a desktop or set DISPLAY to a running X server");
    std::atexit(SDL_Quit);
    if (!screen)
        return fail(std::string("cannot open an 800 x 600 window: ") + SDL_GetError());
    if (screen->format->BytesPerPixel != 4)
        return fail("cannot open an 800 x 600 window with 32-bit pixels");
    ignore_other_events();
    if (options.browse)  // a held key runs through the pages
        SDL_EnableKeyRepeat(SDL_DEFAULT_REPEAT_DELAY, SDL_DEFAULT_REPEAT_INTERVAL);

    const auto mapped = [&](std::uint32_t rgb) {
        return SDL_MapRGB(screen->format, static_cast<Uint8>(rgb >> 16U), static_cast<Uint8>(rgb >> 8U),
                          static_cast<Uint8>(rgb));
    };
    const gallery::Colours& page = gallery::page_colours;
    const gallery::Colours colours = {mapped(page.background), mapped(page.stroke), mapped(page.text)};
    std::setlocale(LC_CTYPE, "");
    const bool utf8_locale = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    const std::vector<gallery::Page> pages = gallery::lay_out_gallery(gallery, gallery::text_height(texts));
    const int count = static_cast<int>(pages.size());
    for (int shown = 0; shown < count;) {
        // Named before the flip, so the title bar always matches the page on screen.
        set_title(gallery::title_bar(gallery, shown + 1, count), utf8_locale);
        if (!show_page(screen, texts, gallery, pages[static_cast<std::size_t>(shown)], colours))
            return fail(std::string("cannot draw into the window: ") + SDL_GetError());
        shown = wait_for_turn(shown, count, options.browse);
        if (shown < 0)
            return fail(std::string("cannot wait for a key: ") + SDL_GetError());
    }
    return 0;
}

}  // namespace app
