// The interactive program: one window, the whole gallery, a key per page.
#pragma once

#include "ranges/groups.h"

namespace app {

// Shows the gallery of the ranges of `length` strokes in the groups of
// `grouping`, from opening the window to the last key press. Returns the exit
// status: 0, or 1 after a message on stderr when the window, the font or the
// wait for a key fails.
int run_window(int length, ranges::Grouping grouping);

}  // namespace app
