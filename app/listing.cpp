#include "listing.h"

#include <cinttypes>
#include <csignal>
#include <cstring>
#include <vector>

#include "options.h"
#include "ranges/groups.h"

namespace app {

namespace {

constexpr const char* program = "mountain-ranges";
constexpr std::size_t chunk = std::size_t{64} * 1024;
// What one line may write past the chunk: "496 ", 64 strokes and put_word's
// spill, the newline.
constexpr std::size_t line_room = 5 + ranges::max_code_length + 8;

std::vector<int> values_shown(int length, ranges::Grouping grouping, std::optional<int> value)
{
    return value ? std::vector<int>{*value} : ranges::group_values(length / 2, grouping);
}

}  // namespace

int print_listing(int length, ranges::Grouping grouping, std::FILE* out, std::optional<int> value)
{
    // A reader that has seen enough, such as head, ends the listing quietly.
    std::signal(SIGPIPE, SIG_DFL);
    char buffer[chunk + line_room];
    char* at = buffer;
    // Whole chunks only: a multiple of the block size goes past stdio's own
    // buffer in one write.
    const auto write_chunk = [&] {
        if (std::fwrite(buffer, 1, chunk, out) != chunk)
            return false;
        const std::size_t rest = static_cast<std::size_t>(at - buffer) - chunk;
        std::memcpy(buffer, buffer + chunk, rest);
        at = buffer + rest;
        return true;
    };

    const int half_length = length / 2;
    bool written = true;
    for (const int shown : values_shown(length, grouping, value)) {
        char prefix[line_room];
        const int prefix_length = std::snprintf(prefix, sizeof prefix, "%d ", shown);
        written = written && ranges::for_each_in_group(half_length, grouping, shown, [&](ranges::Code code) {
            std::memcpy(at, prefix, sizeof prefix);
            at = ranges::put_word(code, length, at + prefix_length);
            *at++ = '\n';
            return at < buffer + chunk || write_chunk();
        });
    }
    // A write that failed on the way has left its mark in ferror(out).
    if (written)
        std::fwrite(buffer, 1, static_cast<std::size_t>(at - buffer), out);
    return finish_output(program, out);
}

int print_counts(int length, ranges::Grouping grouping, std::FILE* out, std::optional<int> value)
{
    for (const int shown : values_shown(length, grouping, value))
        std::fprintf(out, "%d %" PRIu64 "\n", shown, ranges::count_group(length / 2, grouping, shown));
    return finish_output(program, out);
}

}  // namespace app
