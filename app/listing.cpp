#include "listing.h"

#include <csignal>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace app {

int print_listing(const ranges::RangeTables& tables)
{
    // A reader that has seen enough, such as head, ends the listing quietly.
    std::signal(SIGPIPE, SIG_DFL);
    for (int m = tables.length / 2; m >= 1; --m)
        for (const ranges::Code code : tables.range_table[m])
            std::printf("%d %s\n", m, ranges::range_word(code, tables.length).c_str());
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::fprintf(stderr, "mountain-ranges: cannot write the listing: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

}  // namespace app
