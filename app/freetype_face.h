// A FreeType face on font bytes in memory: the font check and the PDF's
// embedded font both open the programs' one copy of the font this way.
#pragma once

#include <string>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace app {

// Owns a FreeType library and a face, and frees both.
struct FreeTypeFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FreeTypeFace() = default;
    FreeTypeFace(const FreeTypeFace&) = delete;
    FreeTypeFace& operator=(const FreeTypeFace&) = delete;
    ~FreeTypeFace()
    {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

// Opens the first face of the font in `bytes`, which must outlive
// `freetype`. Returns FreeType's error, 0 once the face is open.
inline FT_Error open_face(const std::string& bytes, FreeTypeFace& freetype)
{
    const FT_Error error = FT_Init_FreeType(&freetype.library);
    return error ? error
                 : FT_New_Memory_Face(freetype.library, reinterpret_cast<const FT_Byte*>(bytes.data()),
                                      static_cast<FT_Long>(bytes.size()), 0, &freetype.face);
}

}  // namespace app
