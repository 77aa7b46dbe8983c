#include "formats.h"

#include <cstdio>
#include <cstdint>

#include "gallery/svg.h"
#include "gallery/tikz.h"
#include "pdf_file.h"
#include "png_file.h"

namespace app {

namespace {

std::string png_page(const Drawing& drawing, std::size_t index, const std::string& mark, std::string& error)
{
    // Drawn in palette indices, which the file maps to the page's colours.
    std::vector<std::uint32_t> pixels(std::size_t{gallery::page_width} * gallery::page_height);
    const raster::Canvas canvas{pixels.data(), gallery::page_width, gallery::page_height, gallery::page_width * 4};
    gallery::draw_page(canvas, drawing.texts, drawing.gallery, drawing.pages[index], {0, 1, 2});
    const gallery::Colours& colours = gallery::page_colours;
    return png_bytes(canvas, {colours.background, colours.stroke, colours.text}, mark, error);
}

std::string svg_page(const Drawing& drawing, std::size_t index, const std::string& mark, std::string&)
{
    return gallery::shapes_svg(drawing.shapes[index], drawing.texts.family, gallery::page_colours, mark);
}

std::string tikz_page(const Drawing& drawing, std::size_t index, const std::string& mark, std::string&)
{
    return gallery::shapes_tikz(drawing.shapes[index], gallery::page_colours, mark);
}

std::string tikz_document(const Drawing& drawing, std::size_t, const std::string& mark, std::string&)
{
    std::vector<std::string> pictures;
    for (std::size_t number = 1; number <= drawing.pages.size(); ++number)
        pictures.push_back(page_file_name(number, drawing.format));
    return gallery::tikz_document(pictures, gallery::page_width, gallery::page_height, mark);
}

// What a PDF of the gallery, its pages or its poster, says of itself.
PdfSettings pdf_settings(const Drawing& drawing, const std::string& mark, bool poster)
{
    const std::string title = "Mountain ranges of length " + std::to_string(drawing.gallery.length) + " by " +
                              ranges::grouping_info(drawing.gallery.grouping).name;
    return {title, mark, drawing.paper, poster};
}

std::string pdf_document(const Drawing& drawing, std::size_t, const std::string& mark, std::string& error)
{
    return pdf_bytes(drawing.shapes, gallery::page_colours, drawing.font_bytes, pdf_settings(drawing, mark, false),
                     error);
}

std::string pdf_poster(const Drawing& drawing, std::size_t, const std::string& mark, std::string& error)
{
    return pdf_bytes(drawing.shapes, gallery::page_colours, drawing.font_bytes, pdf_settings(drawing, mark, true),
                     error);
}

// What the files of the whole gallery are named for: "mountain-ranges-16-by-mountains".
std::string gallery_name(int length, ranges::Grouping grouping)
{
    return "mountain-ranges-" + std::to_string(length) + "-by-" + ranges::grouping_info(grouping).name;
}

}  // namespace

// An SVG poster is its one sheet, written as a page is.
const std::array<Format, 4> formats = {{
    {"png", "png", "indexed-colour bitmaps, a file a page (the default)", MarkPlace::png_text, false, png_page,
     nullptr, nullptr},
    {"svg", "svg", "a drawing a page, the texts as type", MarkPlace::svg_comment, false, svg_page, nullptr, svg_page},
    {"pdf", "pdf", "every page in one document, to print", MarkPlace::pdf_creator, true, nullptr, pdf_document,
     pdf_poster},
    {"tikz", "tex", "a picture a page, for papers, and a LaTeX document of them all", MarkPlace::first_line, false,
     tikz_page, tikz_document, nullptr},
}};

const Format* find_format(const std::string& name)
{
    for (const Format& format : formats)
        if (name == format.name)
            return &format;
    return nullptr;
}

std::string page_file_name(std::size_t number, const Format& format)
{
    char name[32];
    std::snprintf(name, sizeof name, "page-%02zu.%s", number, format.extension);
    return name;
}

std::string whole_file_name(int length, ranges::Grouping grouping, const Format& format)
{
    return gallery_name(length, grouping) + (format.page ? std::string("-") + format.name : "") + "." +
           format.extension;
}

std::string poster_file_name(int length, ranges::Grouping grouping, const Format& format)
{
    return gallery_name(length, grouping) + "-poster." + format.extension;
}

}  // namespace app
