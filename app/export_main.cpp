// mountain-ranges-export: the gallery's pages, in any grouping, as PNG, SVG, PDF or TikZ files, without a window.
#include "SDL.h"  // on some platforms SDL renames main to enter through its own
#include "exporter.h"

int main(int argc, char** argv)
{
    return app::run_export(argc, argv);
}
