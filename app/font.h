// The program's one use of its TrueType font: rendering the texts it is
// handed once, at start, into plain masks that pages are drawn from.
#pragma once

#include <string>
#include <vector>

#include "gallery/page.h"

namespace app {

constexpr const char* font_file = "times.ttf";
constexpr int font_size = 20;

// Reads the whole file at `path`, a regular file of at most 64 MiB, into
// `bytes`. On failure returns false and puts in `error` a sentence naming the
// file and the cause.
bool read_font_file(const std::string& path, std::string& bytes, std::string& error);

// Reads the TrueType font at `path` once and renders from it, as
// render_font_texts does. On failure returns false and puts in `error` a
// sentence naming the file and the cause.
bool render_texts(const std::string& path, const std::vector<std::string>& strings, gallery::TextImages& texts,
                  std::string& error);

// Renders each of `strings` (none empty) into texts.images, in their order,
// in solid mode (no anti-aliasing), with the TrueType font whose file holds
// `bytes`, after checking that SDL_ttf can draw their characters safely. On
// failure returns false and puts in `error` a sentence naming the font as
// `name` and the cause.
bool render_font_texts(const std::string& bytes, const std::string& name, const std::vector<std::string>& strings,
                       gallery::TextImages& texts, std::string& error);

// The font to use when none is given: the first of default_font_places()
// that holds an entry of that name, else the first of them.
std::string default_font();

// Where default_font() looks, in order, for messages: font_file in the
// working directory (named), beside the program, then the installed copy.
std::string default_font_places();

}  // namespace app
