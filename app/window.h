// The interactive program: one window, the whole gallery, a key per page.
#pragma once

namespace app {

// Shows the gallery of the ranges of `length` strokes, from opening the window
// to the last key press. Returns the exit status: 0, or 1 after a message on
// stderr when the window or the font cannot be had.
int run_window(int length);

}  // namespace app
