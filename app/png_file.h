// Writing a page as a PNG file.
#pragma once

#include <cstdio>
#include <string>

#include "raster/raster.h"

namespace app {

// Writes `canvas`, whose pixels hold 0xRRGGBB (the top byte is ignored), into
// `file` as a PNG that decodes to exactly those colours: indexed, with a
// palette of the colours it uses at the smallest bit depth that holds them,
// or 8-bit RGB past 256 colours. On failure puts the cause in `error` and
// returns false.
bool write_png(const raster::Canvas& canvas, std::FILE* file, std::string& error);

}  // namespace app
