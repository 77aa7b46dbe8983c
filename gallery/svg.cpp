#include "svg.h"

#include <cstdint>
#include <cstdio>

#include "raster/raster.h"

namespace gallery {

namespace {

constexpr int stroke_width = 2 * raster::stroke_half_width + 1;

std::string xml_escaped(const std::string& text)
{
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

// The font's family first, then Times-like faces: the pages are laid out for
// one. A name that would need escaping in CSS is left out rather than risked.
std::string font_families(const std::string& family)
{
    constexpr const char* fallbacks = "'Times New Roman', serif";
    for (const char c : family)
        if (c < ' ' || c > '~' || c == '\'' || c == '\\')
            return fallbacks;
    return family.empty() ? std::string(fallbacks) : "'" + family + "', " + fallbacks;
}

std::string hex_colour(std::uint32_t colour)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%06x", static_cast<unsigned>(colour & 0xFFFFFFU));
    return hex;
}

// The points where the strokes of a range of `length` strokes from (x, y)
// start and end, as one polyline.
std::string polyline(std::uint32_t code, int x, int y, int length)
{
    std::string points = std::to_string(x) + "," + std::to_string(y);
    raster::Pen pen{x, y};
    raster::walk_range(pen, code, length, [&](const raster::Pen&, const raster::Pen& to, bool) {
        points += " " + std::to_string(to.x) + "," + std::to_string(to.y);
    });
    return "<polyline points=\"" + points + "\"/>\n";
}

std::string text_element(const std::string& text, int x, int y, int ascent)
{
    return "<text x=\"" + std::to_string(x) + "\" y=\"" + std::to_string(y + ascent) + "\">" +
           xml_escaped(text) + "</text>\n";
}

}  // namespace

std::string page_svg(const Page& page, const TextImages& texts, const Gallery& gallery, const Colours& colours,
                     const std::string& writer)
{
    std::string strokes;
    std::string type;
    walk_page(
        page, gallery,
        [&](int index, int x, int y) { type += text_element(gallery.texts[index], x, y, texts.ascent); },
        [&](std::uint32_t code, int x, int y) { strokes += polyline(code, x, y, gallery.length); });
    const std::string width = std::to_string(page_width);
    const std::string height = std::to_string(page_height);
    // The bitmap's strokes are ticks across the line, which round off its
    // corners and ends; a mitred corner would stand out a pixel past them.
    const std::string stroke_style = "fill=\"none\" stroke=\"" + hex_colour(colours.stroke) + "\" stroke-width=\"" +
                                     std::to_string(stroke_width) +
                                     "\" stroke-linejoin=\"round\" stroke-linecap=\"round\"";
    // The leading spaces of a text are kept: they place its ink as in the bitmap.
    const std::string type_style = "font-family=\"" + xml_escaped(font_families(texts.family)) + "\" font-size=\"" +
                                   std::to_string(texts.pixel_size) + "\" fill=\"" + hex_colour(colours.text) +
                                   "\" xml:space=\"preserve\"";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!-- " + writer + " -->\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + width + "\" height=\"" + height +
           "\" viewBox=\"0 0 " + width + " " + height + "\">\n"
           "<rect width=\"" + width + "\" height=\"" + height + "\" fill=\"" + hex_colour(colours.background) +
           "\"/>\n"
           "<g " + stroke_style + ">\n" + strokes + "</g>\n"
           "<g " + type_style + ">\n" + type + "</g>\n"
           "</svg>\n";
}

}  // namespace gallery
