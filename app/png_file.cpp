#include "png_file.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <memory>

namespace app {

namespace {

std::string big_endian(std::uint32_t value)
{
    return {char(value >> 24U), char(value >> 16U), char(value >> 8U), char(value)};
}

// libpng's simplified API writes no text, so the chunk is set in by hand:
// length, type, keyword, a NUL, the text, and the CRC of all but the length.
std::string text_chunk(const std::string& keyword, const std::string& text)
{
    const std::string body = "tEXt" + keyword + '\0' + text;
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return big_endian(static_cast<std::uint32_t>(body.size() - 4)) + body + big_endian(static_cast<std::uint32_t>(crc));
}

}  // namespace

std::string png_bytes(const raster::Canvas& canvas, const std::array<std::uint32_t, 3>& palette,
                      const std::string& software, std::string& error)
{
    const std::unique_ptr<png_byte[]> indices(new png_byte[static_cast<std::size_t>(canvas.width) * canvas.height]);
    std::uint32_t highest = 0;
    for (int y = 0; y < canvas.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(reinterpret_cast<const std::uint8_t*>(canvas.pixels) +
                                                                 static_cast<std::ptrdiff_t>(y) * canvas.pitch);
        png_byte* out = indices.get() + static_cast<std::ptrdiff_t>(y) * canvas.width;
        for (int x = 0; x < canvas.width; ++x) {
            highest = std::max(highest, row[x]);
            out[x] = static_cast<png_byte>(row[x]);
        }
    }
    if (highest >= palette.size()) {
        error = "a pixel lies outside the palette";
        return {};
    }
    std::array<png_byte, std::size_t{3} * 3> colormap{};
    for (std::size_t i = 0; i < palette.size(); ++i) {
        colormap[3 * i] = static_cast<png_byte>(palette[i] >> 16U);
        colormap[3 * i + 1] = static_cast<png_byte>(palette[i] >> 8U);
        colormap[3 * i + 2] = static_cast<png_byte>(palette[i]);
    }

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(canvas.width);
    image.height = static_cast<png_uint_32>(canvas.height);
    image.format = PNG_FORMAT_RGB_COLORMAP;
    image.colormap_entries = highest + 1;
    const std::size_t room = PNG_IMAGE_PNG_SIZE_MAX(image);
    const std::unique_ptr<char[]> bytes(new char[room]);  // not cleared: libpng writes what counts
    png_alloc_size_t size = room;
    if (!png_image_write_to_memory(&image, bytes.get(), &size, 0, indices.get(), 0, colormap.data())) {
        error = image.message;
        return {};
    }
    return std::string(bytes.get(), png_mark_chunk) + text_chunk("Software", software) +
           std::string(bytes.get() + png_mark_chunk, size - png_mark_chunk);
}

}  // namespace app
