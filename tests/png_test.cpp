// PNG pages, checked by decoding them with libpng's own reader.
#include <gtest/gtest.h>
#include <png.h>

#include "app/png_file.h"
#include "canvas.h"

namespace {

using namespace testing_canvas;

const std::array<std::uint32_t, 3> palette = {0xFFFFFF, 0x0000FF, 0x123456};

// A padded canvas of palette indices up to `highest`, in a pattern that
// tells rows and columns apart; its odd width leaves a part byte per row.
TEST(PngFile, DecodesToThePaletteColoursAtTheSmallestDepth)
{
    for (const std::uint32_t highest : {0U, 1U, 2U}) {
        TestCanvas canvas(13, 7);
        for (int y = 0; y < canvas.height; ++y)
            for (int x = 0; x < canvas.width; ++x)
                canvas.at(x, y) = static_cast<std::uint32_t>(x * x + 2 * y) % (highest + 1);
        std::string error;
        const std::string bytes = app::png_bytes(canvas.view(), palette, "test", error);
        ASSERT_GT(bytes.size(), 26U) << error;
        EXPECT_EQ(bytes.substr(24, 2), (std::string{char(highest == 2 ? 2 : 1), PNG_COLOR_TYPE_PALETTE}));  // depth, type

        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&image, bytes.data(), bytes.size()));
        image.format = PNG_FORMAT_RGB;
        std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
        for (int y = 0; y < canvas.height; ++y)
            for (int x = 0; x < canvas.width; ++x) {
                const png_byte* p = &rgb[3 * (y * 13 + x)];
                EXPECT_EQ(std::uint32_t(p[0] << 16 | p[1] << 8 | p[2]), palette[canvas.at(x, y)]) << x << ", " << y;
            }
    }
}

TEST(PngFile, RefusesAPixelOutsideThePalette)
{
    TestCanvas canvas(4, 4);
    canvas.at(3, 2) = 3;
    std::string error;
    EXPECT_EQ(app::png_bytes(canvas.view(), palette, "test", error), "");
    EXPECT_NE(error, "");
}

}  // namespace
