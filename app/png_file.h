// Writing a 32-bit surface as a PNG file.
#pragma once

#include <cstdio>
#include <string>

#include "SDL.h"

namespace app {

// Writes `surface` (32 bits per pixel, 8 per colour) as an 8-bit RGB PNG into
// `file`. On failure puts the cause in `error` and returns false.
bool write_png(SDL_Surface* surface, std::FILE* file, std::string& error);

}  // namespace app
