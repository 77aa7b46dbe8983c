// A look at a font with FreeType alone, before SDL_ttf is given it: SDL_ttf
// 2.0.11 trusts a font's glyph metrics when it copies glyphs into the text
// image it allocates, so a damaged font can make it write outside that image.
#pragma once

#include <string>

namespace app {

enum class FontVerdict {
    usable,      // SDL_ttf can draw the characters safely
    unreadable,  // not a scalable font FreeType can open
    damaged,     // opens, but a glyph would be drawn wrongly or not at all
};

// Whether SDL_ttf 2.0.11, opening the font at `path` at `point_size`, draws every
// text made of `characters` inside the image it allocates, with ink for each
// character but the space; if not, why not in `reason`.
FontVerdict check_font(const std::string& path, int point_size, const std::string& characters, std::string& reason);

}  // namespace app
