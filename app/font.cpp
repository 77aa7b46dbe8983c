#include "font.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "SDL_ttf.h"
#include "freetype_face.h"

namespace app {

constexpr off_t max_font_bytes = off_t{1} << 26;  // far more than any real font

// Reads the whole file in one go, so that the check and SDL_ttf see the same
// bytes whatever happens to the file meanwhile.
bool read_font_file(const std::string& path, std::string& bytes, std::string& error)
{
    // Non-blocking, so that a pipe under the font's name cannot hang the open.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    bool ok = fstat(fd, &info) == 0;
    if (ok && S_ISDIR(info.st_mode))
        error = "\"" + path + "\" is a directory, not a font file";
    else if (ok && !S_ISREG(info.st_mode))
        error = "\"" + path + "\" is not a regular file";
    else if (ok && info.st_size > max_font_bytes)
        error = "\"" + path + "\" is too large to be a font";
    ok = ok && error.empty();
    bytes.resize(ok ? static_cast<std::size_t>(info.st_size) : 0);
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
        if (got <= 0) {
            error = "cannot read \"" + path + "\": " + (got < 0 ? std::strerror(errno) : "it got shorter");
            ok = false;
        }
        done += static_cast<std::size_t>(std::max<ssize_t>(got, 0));
    }
    close(fd);
    return ok;
}

namespace {

// FT_Error_String is empty unless FreeType was built with its messages, as
// Debian's is not; FreeType's error list is made to be expanded like this.
const char* freetype_error(FT_Error error)
{
#undef FTERRORS_H_
#define FT_ERROR_START_LIST switch (error) {
#define FT_ERRORDEF(e, v, s) \
    case v:                  \
        return s;
#define FT_ERROR_END_LIST }
#include FT_ERRORS_H
    return "unknown error";
}

// SDL_ttf sizes a font without outlines from its list of bitmap sizes, and
// reads before that list when it is empty.
bool open_scalable(const std::string& bytes, FreeTypeFace& freetype, std::string& reason)
{
    if (const FT_Error error = open_face(bytes, freetype))
        reason = std::string("FreeType: ") + freetype_error(error);
    else if (!FT_IS_SCALABLE(freetype.face))
        reason = "it has no scalable outlines";
    return reason.empty();
}

struct Metrics {
    int minx = 0, maxx = 0, miny = 0, maxy = 0, advance = 0;
};

// SDL_ttf 2.0 trusts a font's glyphs when it copies them into the text image
// it allocates: it guards the end of the image but not its start, and sums
// metrics in ints. Returns why `characters` cannot be drawn safely, or "".
std::string unsafe_glyphs(TTF_Font* font, FT_Face face, const std::string& characters)
{
    // No part of a sane glyph lies four em from its pen position; within that
    // a text of a few dozen characters stays far from any int's limit.
    constexpr int limit = 4 * font_size;
    // A text image is at least a line high; at zero lines or less SDL_ttf
    // gets an image without pixels and still works out where they would be.
    if (TTF_FontHeight(font) < 1)
        return "its lines are " + std::to_string(TTF_FontHeight(font)) + " pixels high";
    std::string distinct;
    std::vector<Metrics> metrics;
    for (const char c : characters) {
        if (distinct.find(c) != std::string::npos)
            continue;
        Metrics m;
        const std::string glyph = std::string("its glyph for '") + c + "'";
        if (TTF_GlyphMetrics(font, static_cast<unsigned char>(c), &m.minx, &m.maxx, &m.miny, &m.maxy, &m.advance) != 0)
            return glyph + " cannot be loaded";
        for (const int value : {m.minx, m.maxx, m.miny, m.maxy, m.advance})
            if (value < -limit || value > limit)
                return glyph + " has impossible metrics";
        distinct += c;
        metrics.push_back(m);
    }
    // SDL_ttf moves the pen right by -minx for the first glyph alone, to
    // `lead` of it. If every glyph, followed by any other with its kerning,
    // leaves the pen at least at that other's lead, no glyph of any text
    // starts left of the image. The kerning pairs are glyph indices under the
    // character map SDL_ttf picks, so every map the font has is asked.
    const auto lead = [&](std::size_t i) { return std::max(0, -metrics[i].minx); };
    for (int map = 0; map < std::max(face->num_charmaps, 1); ++map) {
        if (face->num_charmaps > 0)
            FT_Set_Charmap(face, face->charmaps[map]);
        for (std::size_t a = 0; a < distinct.size(); ++a) {
            for (std::size_t b = 0; b < distinct.size(); ++b) {
                const auto first = static_cast<int>(FT_Get_Char_Index(face, static_cast<unsigned char>(distinct[a])));
                const auto second = static_cast<int>(FT_Get_Char_Index(face, static_cast<unsigned char>(distinct[b])));
                const int kerning = first && second ? TTF_GetFontKerningSize(font, first, second) : 0;
                if (kerning < -limit || kerning > limit || lead(a) + metrics[a].advance + kerning < lead(b))
                    return std::string("'") + distinct[b] + "' after '" + distinct[a] +
                           "' would be drawn outside its text image";
            }
        }
    }
    return "";
}

// Solid rendering gives an 8-bit software surface whose index 0 is the
// transparent background; such a surface needs no lock to be read. A text
// without ink comes from a font whose glyphs draw blank.
bool render_text(TTF_Font* font, const std::string& text, gallery::TextImage& image)
{
    const std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> surface(
        TTF_RenderText_Solid(font, text.c_str(), SDL_Color{0, 0, 0, 0}), &SDL_FreeSurface);
    if (!surface)
        return false;
    image.width = surface->w;
    image.height = surface->h;
    image.ink.assign(static_cast<std::size_t>(image.width) * image.height, 0);
    for (int y = 0; y < image.height; ++y) {
        const Uint8* row = static_cast<const Uint8*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch;
        std::transform(row, row + image.width, image.ink.begin() + static_cast<std::ptrdiff_t>(y) * image.width,
                       [](Uint8 index) { return index != 0 ? 1 : 0; });
    }
    return std::find(image.ink.begin(), image.ink.end(), 1) != image.ink.end();
}

bool render_all(TTF_Font* font, const std::vector<std::string>& strings, gallery::TextImages& texts)
{
    const char* family = TTF_FontFaceFamilyName(font);
    texts.family = family ? family : "";
    texts.pixel_size = font_size;  // SDL_ttf renders a point as a pixel (72 dpi)
    texts.ascent = TTF_FontAscent(font);
    texts.images.assign(strings.size(), {});
    for (std::size_t i = 0; i < strings.size(); ++i)
        if (!render_text(font, strings[i], texts.images[i]))
            return false;
    return true;
}

std::string program_folder()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : program.parent_path().string();
}

// The working directory's font first; then the one beside the program, as a
// build folder holds it; then the installed copy, whose place relative to the
// program the build fixes, so that any prefix, a staging root or an unpacked
// package alike finds it.
std::vector<std::string> font_places()
{
    std::vector<std::string> places = {font_file};
    const std::string folder = program_folder();
    if (!folder.empty()) {
        places.push_back(folder + "/" + font_file);
        places.push_back((std::filesystem::path(folder) / MOUNTAIN_RANGES_INSTALLED_FONT).lexically_normal().string());
    }
    return places;
}

}  // namespace

bool render_font_texts(const std::string& bytes, const std::string& name, const std::vector<std::string>& strings,
                       gallery::TextImages& texts, std::string& error)
{
    std::string characters;
    for (const std::string& text : strings)
        characters += text;

    FreeTypeFace freetype;
    std::string reason;
    if (!open_scalable(bytes, freetype, reason)) {
        error = "\"" + name + "\" is not a TrueType font that can be used (" + reason + ")";
        return false;
    }
    if (TTF_Init() != 0) {
        error = std::string("cannot start the font library: ") + TTF_GetError();
        return false;
    }
    TTF_Font* font = TTF_OpenFontRW(SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size())), 1, font_size);
    if (!font)
        error = "\"" + name + "\" is not a TrueType font that can be used (" + TTF_GetError() + ")";
    else if (!(reason = unsafe_glyphs(font, freetype.face, characters)).empty())
        error = "\"" + name + "\" is a damaged font: " + reason;
    else if (!render_all(font, strings, texts))
        error = "\"" + name + "\" is a damaged font: its glyphs cannot be drawn";
    if (font)
        TTF_CloseFont(font);
    TTF_Quit();
    return error.empty();
}

bool render_texts(const std::string& path, const std::vector<std::string>& strings, gallery::TextImages& texts,
                  std::string& error)
{
    std::string bytes;
    return read_font_file(path, bytes, error) && render_font_texts(bytes, path, strings, texts, error);
}

std::string default_font()
{
    // Any entry by that name is the user's choice: one that is no usable font
    // is reported, not passed over for the next place.
    const std::vector<std::string> places = font_places();
    struct stat info {};
    const auto found = std::find_if(places.begin(), places.end(),
                                    [&](const std::string& place) { return lstat(place.c_str(), &info) == 0; });
    return found != places.end() ? *found : places.front();
}

std::string default_font_places()
{
    const std::vector<std::string> places = font_places();
    char buffer[4096];
    std::string text = std::string("\"") + font_file + "\" in the working directory, " +
                       (getcwd(buffer, sizeof buffer) ? buffer : "(unknown)");
    for (std::size_t i = 1; i < places.size(); ++i)
        text += (i + 1 == places.size() ? ", then " : ", ") + places[i];
    return text;
}

}  // namespace app
