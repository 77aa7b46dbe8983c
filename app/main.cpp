// mountain-ranges: every mountain range of length 16, a page per key press.
#include "SDL.h"  // on some platforms SDL renames main to enter through its own
#include "window.h"

int main(int, char**)
{
    return app::run_window();
}
