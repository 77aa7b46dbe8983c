#include "png_file.h"

#include <png.h>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace app {

namespace {

// libpng reports errors by longjmp; the message is kept for the caller.
void on_png_error(png_structp png, png_const_charp message)
{
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    *error = message;
    png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// Everything libpng touches between setjmp and a longjmp lives outside this
// function, so nothing is lost when an error jumps back into it.
bool encode(const raster::Canvas& canvas, std::FILE* file, std::vector<png_byte>& row, std::string& error)
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
    png_init_io(png, file);
    // The pages are nearly all white in long runs: the fastest level without
    // row filters packs them within a few percent of the default settings, at
    // a fraction of the time.
    png_set_compression_level(png, 1);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, static_cast<png_uint_32>(canvas.width), static_cast<png_uint_32>(canvas.height),
                 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);

    for (int y = 0; y < canvas.height; ++y) {
        const auto* pixels = reinterpret_cast<const std::uint32_t*>(reinterpret_cast<const std::uint8_t*>(canvas.pixels) +
                                                                    static_cast<std::ptrdiff_t>(y) * canvas.pitch);
        png_bytep out = row.data();
        for (int x = 0; x < canvas.width; ++x) {
            const std::uint32_t p = pixels[x];
            *out++ = static_cast<png_byte>(p >> 16U);
            *out++ = static_cast<png_byte>(p >> 8U);
            *out++ = static_cast<png_byte>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool write_png(const raster::Canvas& canvas, std::FILE* file, std::string& error)
{
    std::vector<png_byte> row(3 * static_cast<std::size_t>(canvas.width));
    errno = 0;
    const bool ok = encode(canvas, file, row, error);
    if (!ok && std::ferror(file) != 0 && errno != 0)
        error = std::strerror(errno);  // say "no space left", not libpng's "Write Error"
    return ok;
}

}  // namespace app
