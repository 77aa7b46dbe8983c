#include "svg.h"

#include <cstdint>
#include <cstdio>

namespace gallery {

namespace {

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

std::string polyline(const std::vector<Point>& line)
{
    std::string points;
    for (const Point& point : line)
        points += (points.empty() ? "" : " ") + std::to_string(point.x) + "," + std::to_string(point.y);
    return "<polyline points=\"" + points + "\"/>\n";
}

}  // namespace

std::string shapes_svg(const Shapes& shapes, const std::string& family, const Colours& colours,
                       const std::string& writer)
{
    std::string strokes;
    for (const std::vector<Point>& line : shapes.polylines)
        strokes += polyline(line);
    std::string type;
    for (const Label& label : shapes.labels)
        type += "<text x=\"" + std::to_string(label.x) + "\" y=\"" + std::to_string(label.y) + "\">" +
                xml_escaped(label.text) + "</text>\n";
    const std::string width = std::to_string(shapes.width);
    const std::string height = std::to_string(shapes.height);
    // The bitmap's strokes are ticks across the line, which round off its
    // corners and ends; a mitred corner would stand out a pixel past them.
    const std::string stroke_style = "fill=\"none\" stroke=\"" + hex_colour(colours.stroke) + "\" stroke-width=\"" +
                                     std::to_string(stroke_width) +
                                     "\" stroke-linejoin=\"round\" stroke-linecap=\"round\"";
    // The leading spaces of a text are kept: they place its ink as in the bitmap.
    const std::string type_style = "font-family=\"" + xml_escaped(font_families(family)) + "\" font-size=\"" +
                                   std::to_string(shapes.text_size) + "\" fill=\"" + hex_colour(colours.text) +
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
