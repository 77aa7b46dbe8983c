#include "png_file.h"

#include <png.h>
#include <algorithm>
#include <array>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace app {

namespace {

constexpr std::size_t max_palette = 256;
constexpr std::uint32_t colour_bits = 0xFFFFFF;  // the top byte is no part of the colour
constexpr std::uint32_t no_colour = 0xFFFFFFFF;  // equals no pixel once its top byte is cleared

// libpng reports errors by longjmp; the message is kept for the caller.
void on_png_error(png_structp png, png_const_charp message)
{
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message;
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

const std::uint32_t* row_of(const raster::Canvas& canvas, int y)
{
    return reinterpret_cast<const std::uint32_t*>(reinterpret_cast<const std::uint8_t*>(canvas.pixels) +
                                                  static_cast<std::ptrdiff_t>(y) * canvas.pitch);
}

// Indexes a row by its colours' places among `first`, the first four colours
// of the palette (places it does not use hold no_colour). With no branch per
// pixel the loop runs on vector registers. Returns false, leaving `out`
// unfinished, when the row has a colour outside them.
bool index_row_among(const std::uint32_t* pixels, std::size_t width, const std::array<std::uint32_t, 4>& first,
                     png_bytep out)
{
    unsigned missing = 0;
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t colour = pixels[x] & colour_bits;
        const unsigned is0 = colour == first[0];
        const unsigned is1 = colour == first[1];
        const unsigned is2 = colour == first[2];
        const unsigned is3 = colour == first[3];
        out[x] = static_cast<png_byte>(is1 | is2 << 1U | is3 * 3U);
        missing |= 1U ^ (is0 | is1 | is2 | is3);
    }
    return missing == 0;
}

// Indexes a row pixel by pixel, adding the colours it meets to `palette`.
// Returns false when there are more colours than a palette holds.
bool index_row(const std::uint32_t* pixels, std::size_t width, std::vector<std::uint32_t>& palette, png_bytep out)
{
    for (std::size_t x = 0; x < width; ++x) {
        const std::uint32_t colour = pixels[x] & colour_bits;
        const auto place =
            static_cast<std::size_t>(std::find(palette.begin(), palette.end(), colour) - palette.begin());
        if (place == palette.size()) {
            if (place == max_palette)
                return false;
            palette.push_back(colour);
        }
        out[x] = static_cast<png_byte>(place);
    }
    return true;
}

// Puts the canvas's colours into `palette` in the order they first appear and
// each pixel's place in it into `indices`, row after row. Returns false, with
// both unfinished, when there are more colours than a palette holds.
bool index_pixels(const raster::Canvas& canvas, std::vector<std::uint32_t>& palette, std::vector<png_byte>& indices)
{
    const auto width = static_cast<std::size_t>(std::max(canvas.width, 0));
    indices.resize(width * static_cast<std::size_t>(std::max(canvas.height, 0)));
    palette.clear();
    for (int y = 0; y < canvas.height; ++y) {
        const std::uint32_t* pixels = row_of(canvas, y);
        png_bytep out = indices.data() + static_cast<std::size_t>(y) * width;
        // Nearly half the rows of a page repeat the row above them.
        if (y > 0 && std::memcmp(pixels, row_of(canvas, y - 1), width * sizeof *pixels) == 0) {
            std::memcpy(out, out - width, width);
            continue;
        }
        // A page has three colours, so its other rows nearly all take the quick way.
        if (palette.size() <= 4) {
            std::array<std::uint32_t, 4> first;
            first.fill(no_colour);
            std::copy(palette.begin(), palette.end(), first.begin());
            if (index_row_among(pixels, width, first, out))
                continue;
        }
        if (!index_row(pixels, width, palette, out))
            return false;
    }
    return true;
}

int bit_depth_for(std::size_t colours)
{
    return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
}

// Packs a row of indices `depth` bits each, leftmost pixel in the high bits,
// the last byte padded with zeros.
template <unsigned depth>
void pack_row(const png_byte* indices, std::size_t width, png_bytep out)
{
    constexpr std::size_t per_byte = 8 / depth;
    const std::size_t whole_bytes = width / per_byte;
    for (std::size_t i = 0; i < whole_bytes; ++i) {
        unsigned byte = 0;
        for (std::size_t k = 0; k < per_byte; ++k)
            byte = byte << depth | indices[i * per_byte + k];
        out[i] = static_cast<png_byte>(byte);
    }
    if (width % per_byte != 0) {
        unsigned byte = 0;
        for (std::size_t k = 0; k < per_byte; ++k)
            byte = byte << depth | (k < width % per_byte ? indices[whole_bytes * per_byte + k] : 0U);
        out[whole_bytes] = static_cast<png_byte>(byte);
    }
}

void pack_row(const png_byte* indices, std::size_t width, int depth, png_bytep out)
{
    switch (depth) {
    case 1: pack_row<1>(indices, width, out); break;
    case 2: pack_row<2>(indices, width, out); break;
    case 4: pack_row<4>(indices, width, out); break;
    default: std::copy_n(indices, width, out); break;
    }
}

void rgb_row(const std::uint32_t* pixels, int width, png_bytep out)
{
    for (int x = 0; x < width; ++x) {
        const std::uint32_t p = pixels[x];
        *out++ = static_cast<png_byte>(p >> 16U);
        *out++ = static_cast<png_byte>(p >> 8U);
        *out++ = static_cast<png_byte>(p);
    }
}

// What encode writes: the canvas, and when it has a palette, the palette and
// its pixels as indices. Made before encode so a longjmp loses nothing.
struct Picture {
    const raster::Canvas& canvas;
    std::vector<std::uint32_t> palette;  // empty for 8-bit RGB
    std::vector<png_byte> indices;
    std::vector<png_color> entries;
    std::vector<png_byte> row;
};

bool encode(Picture& picture, std::FILE* file, std::string& error)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, on_png_error,
                                              on_png_warning);
    if (!png) {
        error = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    const raster::Canvas& canvas = picture.canvas;
    const std::vector<std::uint32_t>& palette = picture.palette;
    png_init_io(png, file);
    // Pages are long white runs with a few strokes and glyphs. On their packed
    // indices no row filter helps. Level 3 keeps the twenty pages at 141 kB;
    // level 2 passes 150 kB; level 6 saves a sixth at 2.5 times the time.
    png_set_compression_level(png, 3);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    const auto width = static_cast<png_uint_32>(canvas.width);
    const auto height = static_cast<png_uint_32>(canvas.height);
    const int depth = bit_depth_for(palette.size());
    if (palette.empty()) {
        png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    } else {
        png_set_IHDR(png, info, width, height, depth, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        for (std::size_t i = 0; i < palette.size(); ++i)
            picture.entries[i] = {static_cast<png_byte>(palette[i] >> 16U), static_cast<png_byte>(palette[i] >> 8U),
                                  static_cast<png_byte>(palette[i])};
        png_set_PLTE(png, info, picture.entries.data(), static_cast<int>(palette.size()));
    }
    png_write_info(png, info);

    const auto row_length = static_cast<std::size_t>(canvas.width);
    for (int y = 0; y < canvas.height; ++y) {
        const png_byte* indices = picture.indices.data() + y * row_length;
        if (palette.empty())
            rgb_row(row_of(canvas, y), canvas.width, picture.row.data());
        else if (y == 0 || std::memcmp(indices, indices - row_length, row_length) != 0)
            pack_row(indices, row_length, depth, picture.row.data());  // else the row above is still packed
        png_write_row(png, picture.row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool write_png(const raster::Canvas& canvas, std::FILE* file, std::string& error)
{
    Picture picture{canvas, {}, {}, {}, std::vector<png_byte>(3 * static_cast<std::size_t>(canvas.width))};
    if (!index_pixels(canvas, picture.palette, picture.indices))
        picture.palette.clear();
    picture.entries.resize(picture.palette.size());
    errno = 0;
    const bool ok = encode(picture, file, error);
    if (!ok && std::ferror(file) != 0 && errno != 0)
        error = std::strerror(errno);  // say "no space left", not libpng's "Write Error"
    return ok;
}

}  // namespace app
