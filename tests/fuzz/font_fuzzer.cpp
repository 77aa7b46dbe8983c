// libFuzzer target: the input as the programs' font, checked and rendered as
// they do it, then stamped into a page, partly off its edges.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/font.h"

// Returns 0 for any bytes; a crash, leak or sanitizer report is a damaged font
// that the check let through to SDL_ttf or into the page.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string font(reinterpret_cast<const char*>(data), size);
    constexpr int width = gallery::page_width, height = gallery::page_height;
    std::vector<std::uint32_t> pixels(std::size_t{width} * height);
    const raster::Canvas canvas{pixels.data(), width, height, width * 4};
    static const std::vector<gallery::Gallery> galleries = [] {
        std::vector<gallery::Gallery> all;
        for (std::size_t grouping = 0; grouping < ranges::groupings.size(); ++grouping)
            all.push_back(gallery::make_gallery(16, ranges::Grouping(grouping)));
        return all;
    }();
    for (const gallery::Gallery& gallery : galleries) {
        gallery::TextImages texts;
        std::string error;
        if (!app::render_font_texts(font, "input", gallery.texts, texts, error))
            return 0;
        for (const gallery::TextImage& image : texts.images) {
            const int w = image.width, h = image.height;
            for (const auto& [x, y] : {std::pair{0, 0}, {width - w / 2, height - h / 2}, {-w / 2, -h / 2},
                                       {width - w, 0}, {-w, height}})
                gallery::stamp_text(canvas, image, x, y, gallery::page_colours.text);
        }
    }
    return 0;
}
