// The PNG writer, checked by decoding what it writes with libpng's own reader.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/png_file.h"
#include "canvas.h"

namespace {

using namespace testing_canvas;

std::string written_png(const raster::Canvas& canvas)
{
    char* buffer = nullptr;
    std::size_t size = 0;
    std::FILE* file = open_memstream(&buffer, &size);
    std::string error;
    const bool ok = app::write_png(canvas, file, error);
    std::fclose(file);
    std::string bytes(buffer, size);
    std::free(buffer);
    EXPECT_TRUE(ok) << error;
    return bytes;
}

std::vector<png_byte> decoded_rgb(const std::string& bytes, int width, int height)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<png_byte> rgb;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()))
        return rgb;
    EXPECT_EQ(image.width, static_cast<png_uint_32>(width));
    EXPECT_EQ(image.height, static_cast<png_uint_32>(height));
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
        rgb.clear();
    return rgb;
}

std::uint32_t colour(int n)
{
    return static_cast<std::uint32_t>(n) << 8U | 0x20U;
}

// Canvases of n colours, each first met at a different place. Rows come in
// pairs, every other pair differing only in its last pixel, and a new colour
// can start anywhere in a row, so every shortcut of the writer is taken and
// tempted. The top byte of every other pixel is set, and the odd width leaves
// a part byte at the end of each packed row.
TEST(PngFile, DecodesToTheCanvasAtTheSmallestDepthThatHoldsItsColours)
{
    struct Case {
        int colours;
        int bit_depth;
        int colour_type;
    };
    const Case cases[] = {{1, 1, PNG_COLOR_TYPE_PALETTE},   {2, 1, PNG_COLOR_TYPE_PALETTE},
                          {3, 2, PNG_COLOR_TYPE_PALETTE},   {4, 2, PNG_COLOR_TYPE_PALETTE},
                          {5, 4, PNG_COLOR_TYPE_PALETTE},   {16, 4, PNG_COLOR_TYPE_PALETTE},
                          {17, 8, PNG_COLOR_TYPE_PALETTE},  {256, 8, PNG_COLOR_TYPE_PALETTE},
                          {257, 8, PNG_COLOR_TYPE_RGB}};
    for (const Case& c : cases) {
        TestCanvas canvas(13, 48);
        for (int y = 0; y < canvas.height; ++y)
            for (int x = 0; x < canvas.width; ++x) {
                const bool last_of_odd_pair = y % 4 == 3 && x == canvas.width - 1;
                const int n = (y / 2 * 5 + x * x + (last_of_odd_pair ? 1 : 0)) % c.colours;
                canvas.at(x, y) = colour(n) | (x % 2 != 0 ? 0xAB000000 : 0);
            }
        for (int n = 0; n < c.colours; ++n)  // every colour at least once
            canvas.at(n % 13, 24 + n / 13) = colour(n);
        const std::string bytes = written_png(canvas.view());
        ASSERT_GT(bytes.size(), 26U);
        EXPECT_EQ(static_cast<unsigned char>(bytes[24]), c.bit_depth) << c.colours << " colours";
        EXPECT_EQ(static_cast<unsigned char>(bytes[25]), c.colour_type) << c.colours << " colours";
        const std::vector<png_byte> rgb = decoded_rgb(bytes, canvas.width, canvas.height);
        ASSERT_EQ(rgb.size(), 3U * canvas.width * canvas.height) << c.colours << " colours";
        for (int y = 0; y < canvas.height; ++y)
            for (int x = 0; x < canvas.width; ++x) {
                const png_byte* p = &rgb[3 * (y * canvas.width + x)];
                ASSERT_EQ(static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]), canvas.at(x, y) & 0xFFFFFF)
                    << c.colours << " colours, pixel (" << x << ", " << y << ")";
            }
    }
}

}  // namespace
