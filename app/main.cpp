// mountain-ranges: every mountain range of one length, a page per key press.
#include "SDL.h"  // on some platforms SDL renames main to enter through its own
#include "listing.h"
#include "options.h"
#include "window.h"

int main(int argc, char** argv)
{
    app::Options options;
    if (const int status = app::parse_options(app::Program::window, argc, argv, options); status >= 0)
        return status;
    if (options.list)
        return app::print_listing(options.length, options.grouping, stdout, options.value);
    if (options.count && options.second)
        return app::print_pair_counts(options.length, options.grouping, *options.second, stdout,
                                      options.value ? std::optional(std::pair{*options.value, *options.second_value})
                                                    : std::nullopt);
    if (options.count)
        return app::print_counts(options.length, options.grouping, stdout, options.value);
    return app::run_window(options);
}
