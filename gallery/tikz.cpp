#include "tikz.h"

#include <cstdint>

namespace gallery {

namespace {

// A space that TeX would drop or merge with the one before it becomes a
// control space: leading spaces place a text's ink as in the bitmap.
std::string tex_escaped(const std::string& text)
{
    std::string escaped;
    bool after_space = true;
    for (const char c : text) {
        switch (c) {
        case ' ': escaped += after_space ? "\\ " : " "; break;
        case '\\': escaped += "\\textbackslash{}"; break;
        case '~': escaped += "\\textasciitilde{}"; break;
        case '^': escaped += "\\textasciicircum{}"; break;
        case '#': case '$': case '%': case '&': case '_': case '{': case '}': escaped += std::string("\\") + c; break;
        default: escaped += c;
        }
        after_space = c == ' ';
    }
    return escaped;
}

std::string tex_colour(std::uint32_t colour)
{
    return "{rgb,255:red," + std::to_string((colour >> 16U) & 0xFFU) + ";green," +
           std::to_string((colour >> 8U) & 0xFFU) + ";blue," + std::to_string(colour & 0xFFU) + "}";
}

std::string point(int x, int y)
{
    return "(" + std::to_string(x) + "," + std::to_string(y) + ")";
}

// The style `name` set to `style`, unless the document has set it: the file
// is \input where the document's own styles are in force.
std::string default_style(const std::string& name, const std::string& style)
{
    return "\\pgfkeysifdefined{/tikz/" + name + "/.@cmd}{}{\\tikzset{" + name + "/.style={" + style + "}}}%\n";
}

}  // namespace

std::string shapes_tikz(const Shapes& shapes, const Colours& colours, const std::string& mark)
{
    std::string strokes;
    for (const std::vector<Point>& line : shapes.polylines) {
        strokes += "\\draw[mountain]";
        for (const Point& at : line)
            strokes += (&at == &line.front() ? " " : " -- ") + point(at.x, at.y);
        strokes += ";\n";
    }
    std::string type;
    for (const Label& label : shapes.labels)
        type += "\\node[caption] at " + point(label.x, label.y) + " {" + tex_escaped(label.text) + "};\n";
    const std::string size = std::to_string(shapes.text_size) + "bp";
    // One bp is one pixel, and y grows downwards as on screen. Round joins
    // and caps, as in the SVG. Outside the picture every line ends in a
    // comment, so that no space creeps into the box the picture is set in.
    return "% " + mark + "\n"
           "% A TikZ picture to \\input in a document that loads tikz (and fix-cm, for text of exactly its size).\n"
           "% A style page, mountain or caption that the document sets first is the one in force.\n" +
           default_style("page", "fill=" + tex_colour(colours.background)) +
           default_style("mountain", "draw=" + tex_colour(colours.stroke) + ", line width=" +
                                         std::to_string(stroke_width) + "bp, line join=round, line cap=round") +
           default_style("caption", "text=" + tex_colour(colours.text) + ", font=\\fontsize{" + size + "}{" + size +
                                        "}\\selectfont, anchor=base west, inner sep=0pt") +
           "\\begin{tikzpicture}[x=1bp, y=-1bp]\n"
           "\\path[use as bounding box, page] " + point(0, 0) + " rectangle " + point(shapes.width, shapes.height) +
           ";\n" + strokes + type +
           "\\end{tikzpicture}%\n";
}

std::string tikz_document(const std::vector<std::string>& pictures, int width, int height, const std::string& mark)
{
    std::string body;
    for (const std::string& picture : pictures)
        body += "\\noindent\\input{" + picture + "}\\newpage\n";
    return "% " + mark + "\n"
           "\\documentclass{article}\n"
           "\\usepackage{fix-cm}\n"
           "\\usepackage[paperwidth=" + std::to_string(width) + "bp, paperheight=" + std::to_string(height) +
           "bp, margin=0pt]{geometry}\n"
           "\\usepackage{tikz}\n"
           "\\pagestyle{empty}\n"
           "\\begin{document}\n" + body +
           "\\end{document}\n";
}

}  // namespace gallery
