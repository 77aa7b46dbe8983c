// The exporter's output formats, each named once: what --format calls it,
// the files it writes for a gallery, its writers, and where its mark sits.
// The command line, --help and the exporter all read this table.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "gallery/layout.h"
#include "gallery/page.h"
#include "gallery/shapes.h"
#include "paper_sizes.h"
#include "publish.h"

namespace app {

struct Format;

// A gallery laid out, with its texts rendered and its sheets as shapes, in
// the format it is written in: all that a writer reads. The sheets are the
// gallery's pages, or its poster alone.
struct Drawing {
    const gallery::Gallery& gallery;
    const std::vector<gallery::Page>& pages;     // the items of each sheet
    const gallery::TextImages& texts;
    const std::vector<gallery::Shapes>& shapes;  // a sheet each
    const std::string& font_bytes;               // the TrueType font, for a format that embeds it
    const std::optional<Paper>& paper;           // --paper's, for a format that takes it
    const Format& format;
};

// Writes sheet `index` of `drawing`, or with index == every_page the whole
// gallery, as the bytes of one file that carries `mark`. On failure returns
// an empty string and puts the cause in `error`.
using Writer = std::string (*)(const Drawing& drawing, std::size_t index, const std::string& mark,
                               std::string& error);

constexpr std::size_t every_page = static_cast<std::size_t>(-1);

// Which files a format writes follows from its writers: a file a page, one
// file of the gallery, or pages and a document that holds them.
struct Format {
    const char* name;       // the value of --format
    const char* extension;  // of every file it writes
    const char* help;       // what --help and the manual page say of it
    MarkPlace mark;
    bool on_paper;  // takes --paper
    Writer page;    // a file a page, page-01 on; null when the pages are not files of their own
    Writer whole;   // one file of every page, named for the gallery; null when there is none
    Writer poster;  // the poster, its one sheet, as one file; null when the format makes none
};

extern const std::array<Format, 4> formats;

// The format that --format calls `name`, or null.
const Format* find_format(const std::string& name);

// The file of page `number` (from 1) in `format`: "page-01.png".
std::string page_file_name(std::size_t number, const Format& format);

// The one file of the whole gallery of `length` by `grouping` in `format`,
// named for what it holds: "mountain-ranges-16-by-mountains.pdf", or with the
// format's name, "mountain-ranges-16-by-mountains-tikz.tex", for a document
// of pages, whose own output must not take another format's name.
std::string whole_file_name(int length, ranges::Grouping grouping, const Format& format);

// The poster of `length` by `grouping` in `format`:
// "mountain-ranges-16-by-mountains-poster.pdf".
std::string poster_file_name(int length, ranges::Grouping grouping, const Format& format);

}  // namespace app
