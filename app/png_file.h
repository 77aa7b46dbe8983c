// Writing a page as a PNG file.
#pragma once

#include <cstdio>
#include <string>

#include "raster/raster.h"

namespace app {

// Writes `canvas`, whose pixels hold 0xRRGGBB, as an 8-bit RGB PNG into `file`.
// On failure puts the cause in `error` and returns false.
bool write_png(const raster::Canvas& canvas, std::FILE* file, std::string& error);

}  // namespace app
