// Writing a 32-bit surface as a PNG file without ever leaving a partial file
// under the final name.
#pragma once

#include <string>

#include "SDL.h"

namespace app {

// Writes `surface` (32 bits per pixel, 8 per colour) as an 8-bit RGB PNG at `path`, through a
// temporary file in the same folder that is renamed into place once complete.
// On failure nothing is left behind, `error` names the cause and false is returned.
bool write_png(SDL_Surface* surface, const std::string& path, std::string& error);

}  // namespace app
