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

// The working directory, where a relative font name such as font_file is
// looked up, for messages; "(unknown)" if it cannot be had.
std::string working_directory();

}  // namespace app
