// The export's mark on a small file of each writer: sealed, it proves the
// file; any byte changed since, the mark's own included, and it does not.
#include <gtest/gtest.h>

#include "app/font.h"
#include "app/mark.h"
#include "app/pdf_file.h"
#include "app/png_file.h"
#include "canvas.h"
#include "gallery/svg.h"
#include "gallery/tikz.h"

namespace {

using app::Mark;
using app::MarkPlace;

const gallery::Shapes shapes = {40, 30, 20, {{{2, 20}, {8, 14}, {14, 20}}}, {{" area 1", 2, 10}}};

// Each writer's file of `shapes`, marked with `mark`, as the exporter hands it on.
std::vector<std::pair<MarkPlace, std::string>> files(const std::string& mark)
{
    testing_canvas::TestCanvas canvas(5, 3);  // palette indices: 0 but one pixel
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x)
            canvas.at(x, y) = x == 1 && y == 1 ? 1 : 0;
    std::string font;
    std::string error;
    EXPECT_TRUE(app::read_font_file(MR_TEST_FONT, font, error)) << error;
    return {{MarkPlace::png_text, app::png_bytes(canvas.view(), {0xFFFFFF, 0x0000FF, 0}, mark, error)},
            {MarkPlace::svg_comment, gallery::shapes_svg(shapes, "", gallery::page_colours, mark)},
            {MarkPlace::first_line, gallery::shapes_tikz(shapes, gallery::page_colours, mark)},
            {MarkPlace::pdf_creator, app::pdf_bytes({shapes}, gallery::page_colours, font, {"", mark, {}}, error)}};
}

TEST(Mark, ProvesTheFileItSealsAndNoByteChangedSince)
{
    for (auto& [place, bytes] : files(app::page_writer)) {
        ASSERT_GT(bytes.size(), 100U);
        app::seal_mark(bytes, place);
        ASSERT_EQ(app::read_mark(bytes, place), Mark::ours) << bytes.substr(0, 60);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            std::string changed = bytes;
            changed[i] = static_cast<char>(changed[i] ^ 0x01);
            ASSERT_NE(app::read_mark(changed, place), Mark::ours) << "byte " << i << " of " << bytes.substr(0, 60);
        }
        EXPECT_NE(app::read_mark(bytes.substr(0, bytes.size() - 1), place), Mark::ours);
    }
}

TEST(Mark, OfTheVersionWithoutADigestIsOursAsWrittenOnly)
{
    for (const auto& [place, bytes] : files("mountain-ranges-export 1.1.0")) {
        EXPECT_EQ(app::read_mark(bytes, place), Mark::ours) << bytes.substr(0, 60);
        const std::size_t version = bytes.find("1.1.0");
        std::string changed = bytes;
        changed[version + 4] = '1';
        EXPECT_EQ(app::read_mark(changed, place), Mark::changed) << bytes.substr(0, 60);
    }
    for (const auto& [place, bytes] : files("another-program 1.1.0"))
        EXPECT_EQ(app::read_mark(bytes, place), Mark::none) << bytes.substr(0, 60);
}

}  // namespace
