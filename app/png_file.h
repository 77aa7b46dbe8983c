// Pages as PNG files, through libpng's simplified API.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "raster/raster.h"

namespace app {

// Where png_bytes puts its "Software" chunk: after the signature and the header chunk.
constexpr std::size_t png_mark_chunk = 8 + 25;

// The PNG of `canvas`, whose pixels hold indices into `palette` (colours as
// 0xRRGGBB): indexed colour, with the entries up to the highest index used,
// at the smallest bit depth that holds them, and `software` (Latin-1, no NUL)
// as its "Software" text in the chunk right after the header. On failure
// returns an empty string and puts the cause in `error`.
std::string png_bytes(const raster::Canvas& canvas, const std::array<std::uint32_t, 3>& palette,
                      const std::string& software, std::string& error);

}  // namespace app
