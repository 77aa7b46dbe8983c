// The ranges as text, for reading and for other programs.
#pragma once

#include "ranges/ranges.h"

namespace app {

// Prints every range of `tables` on stdout, a line each in gallery order
// (groups from the most mountains down, table order within a group): the
// number of mountains, a space, and the range as a word of U and D. Returns
// the exit status: 0, or 1 after a message on stderr when stdout fails.
int print_listing(const ranges::RangeTables& tables);

}  // namespace app
