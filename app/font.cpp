#include "font.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include "SDL_ttf.h"
#include "font_check.h"

namespace app {

namespace {

// SDL_ttf says only "Couldn't open"; find out what is wrong with the file so
// the message can tell the user what to do about it.
bool check_font_file(const std::string& path, std::string& error)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        error = "cannot open \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        error = "\"" + path + "\" is a directory, not a font file";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        // Opening a pipe or a device could block for ever.
        error = "\"" + path + "\" is not a regular file";
        return false;
    }
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
    } else {
        error = "cannot read \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Solid rendering gives an 8-bit software surface whose index 0 is the
// transparent background; such a surface needs no lock to be read.
bool render_text(TTF_Font* font, const std::string& text, gallery::TextImage& image)
{
    const std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> surface(
        TTF_RenderText_Solid(font, text.c_str(), SDL_Color{0, 0, 0, 0}), &SDL_FreeSurface);
    if (!surface)
        return false;
    image.text = text;
    image.width = surface->w;
    image.height = surface->h;
    image.ink.assign(static_cast<std::size_t>(image.width) * image.height, 0);
    bool ink = false;
    for (int y = 0; y < image.height; ++y) {
        const Uint8* row = static_cast<const Uint8*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch;
        std::uint8_t* out = image.ink.data() + static_cast<std::ptrdiff_t>(y) * image.width;
        for (int x = 0; x < image.width; ++x) {
            out[x] = row[x] != 0 ? 1 : 0;
            ink = ink || row[x] != 0;
        }
    }
    return ink;
}

bool render_all(TTF_Font* font, int length, gallery::TextImages& texts)
{
    const char* family = TTF_FontFaceFamilyName(font);
    texts.family = family ? family : "";
    texts.pixel_size = font_size;  // SDL_ttf renders a point as a pixel (72 dpi)
    texts.ascent = TTF_FontAscent(font);
    if (!render_text(font, gallery::title_text(length), texts.title))
        return false;
    for (int m = 1; m <= ranges::max_mountains; ++m)
        if (!render_text(font, gallery::caption_text(m), texts.captions[m]))
            return false;
    return true;
}

std::string working_directory()
{
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : "(unknown)";
}

// The build fixes where the font is installed relative to the programs'
// folder, so the lookup holds for any prefix, a staging root or an unpacked
// package alike. Empty if the program cannot tell where it is.
std::string installed_font()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error)
        return {};
    return (program.parent_path() / MOUNTAIN_RANGES_INSTALLED_FONT).lexically_normal().string();
}

}  // namespace

bool render_texts(const std::string& path, int length, gallery::TextImages& texts, std::string& error)
{
    if (!check_font_file(path, error))
        return false;
    // SDL_ttf trusts a font's glyph metrics and writes outside its text
    // images for some damaged fonts, and a truncated font can open and still
    // draw every glyph blank; FreeType alone finds both before SDL_ttf draws.
    std::string characters = gallery::title_text(length);
    for (int m = 1; m <= ranges::max_mountains; ++m)
        characters += gallery::caption_text(m);
    std::string reason;
    switch (check_font(path, font_size, characters, reason)) {
    case FontVerdict::usable:
        break;
    case FontVerdict::unreadable:
        error = "\"" + path + "\" is not a TrueType font that can be used (" + reason + ")";
        return false;
    case FontVerdict::damaged:
        error = "\"" + path + "\" is a damaged font: " + reason;
        return false;
    }
    if (TTF_Init() != 0) {
        error = std::string("cannot start the font library: ") + TTF_GetError();
        return false;
    }
    TTF_Font* font = TTF_OpenFont(path.c_str(), font_size);
    bool ok = font != nullptr;
    if (!ok) {
        error = "\"" + path + "\" is not a TrueType font that can be used (" + TTF_GetError() + ")";
    } else if (!render_all(font, length, texts)) {
        error = "\"" + path + "\" is a damaged font: its glyphs cannot be drawn";
        ok = false;
    }
    if (font)
        TTF_CloseFont(font);
    TTF_Quit();
    return ok;
}

std::string default_font()
{
    // Any entry by that name is the user's choice: one that is no usable font
    // is reported, not passed over for the installed copy.
    struct stat info {};
    if (lstat(font_file, &info) == 0)
        return font_file;
    const std::string installed = installed_font();
    return installed.empty() ? font_file : installed;
}

std::string default_font_places()
{
    const std::string installed = installed_font();
    return std::string("\"") + font_file + "\" in the working directory, " + working_directory() +
           (installed.empty() ? "" : ", then " + installed);
}

}  // namespace app
