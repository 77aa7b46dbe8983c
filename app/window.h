// The interactive program: one window, the whole gallery, a key per page.
#pragma once

#include "options.h"

namespace app {

// Shows the gallery of the ranges of options.length strokes in the groups of
// options.grouping, written in options.font (default_font() when ""), from
// opening the window to the last key press, or with options.browse to q,
// Escape or a close request. Returns the exit status: 0, or 1 after a
// message on stderr when the window, the font, drawing or the wait for a key
// fails.
int run_window(const Options& options);

}  // namespace app
