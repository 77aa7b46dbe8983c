// The interactive program: one window, the whole gallery, a key per page.
#pragma once

namespace app {

// Runs the program from opening the window to the last key press. Returns the
// exit status: 0, or 1 after a message on stderr when the window or the font
// cannot be had.
int run_window();

}  // namespace app
