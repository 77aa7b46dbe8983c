// Pages as PNG files, through libpng's simplified API.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "raster/raster.h"

namespace app {

// The PNG of `canvas`, whose pixels hold indices into `palette` (colours as
// 0xRRGGBB): indexed colour, with the entries up to the highest index used,
// at the smallest bit depth that holds them. On failure returns an empty
// string and puts the cause in `error`.
std::string png_bytes(const raster::Canvas& canvas, const std::array<std::uint32_t, 3>& palette, std::string& error);

}  // namespace app
