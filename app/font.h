// The program's one use of its TrueType font: rendering the title and the
// captions once, at start, into plain masks that pages are drawn from.
#pragma once

#include <string>

#include "gallery/page.h"

namespace app {

constexpr const char* font_file = "times.ttf";
constexpr int font_size = 20;

// Renders the title for `length` and every group's caption with the TrueType
// font at `path`, in solid mode (no anti-aliasing). On failure returns false
// and puts in `error` a sentence naming the file and the cause.
bool render_texts(const std::string& path, int length, gallery::TextImages& texts, std::string& error);

// The font to use when none is given: font_file in the working directory if
// it holds an entry of that name, else the copy installed with the program.
std::string default_font();

// Where default_font() looks, in order, for messages: font_file in the
// working directory (named), then the installed copy's path.
std::string default_font_places();

}  // namespace app
