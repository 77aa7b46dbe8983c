#include "font_check.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace app {

namespace {

// SDL_ttf's own rounding of FreeType's 26.6 fixed-point values to pixels.
FT_Pos floor_pixels(FT_Pos value)
{
    return (value & -64) / 64;
}

FT_Pos ceil_pixels(FT_Pos value)
{
    return ((value + 63) & -64) / 64;
}

// What SDL_ttf derives from a glyph and then trusts: its box around the pen
// position (y up) and how far it moves the pen.
struct Glyph {
    char character = 0;
    FT_UInt index = 0;
    FT_Pos minx = 0, maxx = 0, miny = 0, maxy = 0, advance = 0;
};

struct Library {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    Library() = default;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    ~Library()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

// FT_Error_String is empty unless FreeType was built with its messages, as
// Debian's is not; FreeType's error list is made to be expanded like this.
const char* error_text(FT_Error error)
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

std::string freetype_message(FT_Error error)
{
    return std::string("FreeType: ") + error_text(error);
}

std::string glyph_name(char character)
{
    return std::string("its glyph for '") + character + "'";
}

// The charmap SDL_ttf picks: the first Unicode or symbol one, else FreeType's.
void select_charmap_like_sdl_ttf(FT_Face face)
{
    for (int i = 0; i < face->num_charmaps; ++i) {
        const FT_CharMap charmap = face->charmaps[i];
        const int platform = charmap->platform_id;
        const int encoding = charmap->encoding_id;
        if ((platform == 3 && (encoding == 1 || encoding == 0)) || (platform == 2 && encoding == 1) ||
            platform == 0) {
            FT_Set_Charmap(face, charmap);
            return;
        }
    }
}

// True when the mono bitmap has a set pixel in the part SDL_ttf copies: at
// most `columns` wide, in rows `first_row` up to `end_row`.
bool has_ink(const FT_Bitmap& bitmap, FT_Pos columns, FT_Pos first_row, FT_Pos end_row)
{
    const FT_Pos width = std::min<FT_Pos>(bitmap.width, columns);
    for (FT_Pos row = std::max<FT_Pos>(first_row, 0); row < std::min<FT_Pos>(end_row, bitmap.rows); ++row) {
        const unsigned char* bits = bitmap.buffer + row * bitmap.pitch;
        for (FT_Pos column = 0; column < width; ++column) {
            if (bits[column / 8] & (0x80 >> (column % 8)))
                return true;
        }
    }
    return false;
}

// Loads and renders one glyph the way SDL_ttf does (default hinting, mono
// rendering) and checks what it would rely on.
bool load_glyph(FT_Face face, char character, FT_Pos limit, FT_Pos ascent, FT_Pos height, Glyph& glyph,
                std::string& reason)
{
    glyph.character = character;
    glyph.index = FT_Get_Char_Index(face, static_cast<unsigned char>(character));
    if (glyph.index == 0) {
        reason = std::string("it has no glyph for '") + character + "'";
        return false;
    }
    if (FT_Error error = FT_Load_Glyph(face, glyph.index, FT_LOAD_DEFAULT)) {
        reason = glyph_name(character) + " cannot be loaded (" + freetype_message(error) + ")";
        return false;
    }
    const FT_GlyphSlot slot = face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) {
        reason = glyph_name(character) + " is not an outline";
        return false;
    }
    // Far-out values overflow SDL_ttf's int arithmetic or make it allocate
    // images of many megabytes for a caption.
    const FT_Glyph_Metrics& metrics = slot->metrics;
    for (const FT_Pos value :
         {metrics.horiBearingX, metrics.horiBearingY, metrics.width, metrics.height, metrics.horiAdvance}) {
        if (value < -limit * 64 || value > limit * 64) {
            reason = glyph_name(character) + " has impossible metrics";
            return false;
        }
    }
    glyph.minx = floor_pixels(metrics.horiBearingX);
    glyph.maxx = glyph.minx + ceil_pixels(metrics.width);
    glyph.maxy = floor_pixels(metrics.horiBearingY);
    glyph.miny = glyph.maxy - ceil_pixels(metrics.height);
    glyph.advance = ceil_pixels(metrics.horiAdvance);

    if (FT_Error error = FT_Render_Glyph(slot, FT_RENDER_MODE_MONO)) {
        reason = glyph_name(character) + " cannot be drawn (" + freetype_message(error) + ")";
        return false;
    }
    // SDL_ttf widens each mono row to pitch * 8 bytes and copies up to width of them.
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO || bitmap.pitch < 0 ||
        static_cast<FT_Pos>(bitmap.pitch) * 8 < static_cast<FT_Pos>(bitmap.width)) {
        reason = glyph_name(character) + " renders to a malformed bitmap";
        return false;
    }
    // SDL_ttf puts the bitmap's top row at the glyph's maxy, in an image at
    // least as tall as the glyph below the ascent line and the font's height.
    const FT_Pos top = ascent - glyph.maxy;
    const FT_Pos image_height = std::max(ascent - glyph.miny, height);
    if (character != ' ' && !has_ink(bitmap, glyph.maxx - glyph.minx, -top, image_height - top)) {
        reason = glyph_name(character) + " is blank";
        return false;
    }
    return true;
}

}  // namespace

FontVerdict check_font(const std::string& path, int point_size, const std::string& characters, std::string& reason)
{
    Library freetype;
    if (FT_Error error = FT_Init_FreeType(&freetype.library)) {
        reason = "cannot start " + freetype_message(error);
        return FontVerdict::unreadable;
    }
    if (FT_Error error = FT_New_Face(freetype.library, path.c_str(), 0, &freetype.face)) {
        reason = freetype_message(error);
        return FontVerdict::unreadable;
    }
    const FT_Face face = freetype.face;
    // SDL_ttf sizes a font without outlines from its list of bitmap sizes,
    // reading before the list when it is empty.
    if (!FT_IS_SCALABLE(face)) {
        reason = "it has no scalable outlines";
        return FontVerdict::unreadable;
    }
    select_charmap_like_sdl_ttf(face);
    if (FT_Error error = FT_Set_Char_Size(face, 0, point_size * 64, 0, 0)) {
        reason = "it cannot be scaled to " + std::to_string(point_size) + " points (" + freetype_message(error) + ")";
        return FontVerdict::damaged;
    }

    // No part of a sane glyph lies four em from its pen position; within that
    // a caption of a few dozen characters stays well inside the 16-bit row
    // pitch of an SDL 1.2 surface.
    const FT_Pos limit = 4 * static_cast<FT_Pos>(point_size);
    const FT_Fixed scale = face->size->metrics.y_scale;
    const FT_Pos ascent = ceil_pixels(FT_MulFix(face->ascender, scale));
    const FT_Pos descent = ceil_pixels(FT_MulFix(face->descender, scale));
    if (std::max(std::abs(ascent), std::abs(descent)) > limit) {
        reason = "its line height is impossible";
        return FontVerdict::damaged;
    }
    const FT_Pos height = ascent - descent + 1;

    std::vector<Glyph> glyphs;
    for (const char character : characters) {
        if (std::none_of(glyphs.begin(), glyphs.end(), [&](const Glyph& g) { return g.character == character; })) {
            glyphs.emplace_back();
            if (!load_glyph(face, character, limit, ascent, height, glyphs.back(), reason))
                return FontVerdict::damaged;
        }
    }

    // SDL_ttf copies each glyph's bitmap to pen x + minx and guards only the
    // end of the image, not its start. It moves the pen right by -minx for
    // the first glyph alone, which puts the pen at least at lead = max(0,
    // -minx) of that glyph; if every glyph, followed by any other with
    // kerning, leaves the pen at least at that other's lead, no glyph of any
    // text starts left of the image.
    const auto lead = [](const Glyph& g) { return std::max<FT_Pos>(0, -g.minx); };
    for (const Glyph& first : glyphs) {
        for (const Glyph& second : glyphs) {
            FT_Vector kerning{0, 0};
            if (FT_HAS_KERNING(face))
                FT_Get_Kerning(face, first.index, second.index, FT_KERNING_DEFAULT, &kerning);
            const FT_Pos shift = floor_pixels(kerning.x);  // SDL_ttf: delta.x >> 6
            if (shift < -limit || shift > limit || lead(first) + first.advance + shift < lead(second)) {
                reason = std::string("'") + second.character + "' after '" + first.character +
                         "' would be drawn outside its text image";
                return FontVerdict::damaged;
            }
        }
    }
    return FontVerdict::usable;
}

}  // namespace app
