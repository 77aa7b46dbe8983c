#include "listing.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "options.h"
#include "ranges/groups.h"
#include "ranges/pairs.h"

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

// The lines of a listing, "value word", gathered into whole chunks: a
// multiple of the block size goes past stdio's own buffer in one write.
class Lines {
public:
    Lines(std::FILE* out, int length) : out_(out), length_(length) {}

    // The lines that follow are of the group of `value`.
    void start_group(int value) { prefix_length_ = std::snprintf(prefix_, sizeof prefix_, "%d ", value); }

    // False once a write has failed.
    bool put(ranges::Code code)
    {
        std::memcpy(at_, prefix_, sizeof prefix_);
        at_ = ranges::put_word(code, length_, at_ + prefix_length_);
        *at_++ = '\n';
        return at_ < buffer_ + chunk || write_chunk();
    }

    // Writes what is left unless a write has failed on the way, which has
    // left its mark in ferror(out) then.
    int finish(bool written)
    {
        if (written)
            std::fwrite(buffer_, 1, static_cast<std::size_t>(at_ - buffer_), out_);
        return finish_output(program, out_);
    }

private:
    bool write_chunk()
    {
        if (std::fwrite(buffer_, 1, chunk, out_) != chunk)
            return false;
        const std::size_t rest = static_cast<std::size_t>(at_ - buffer_) - chunk;
        std::memcpy(buffer_, buffer_ + chunk, rest);
        at_ = buffer_ + rest;
        return true;
    }

    std::FILE* out_;
    int length_;
    char buffer_[chunk + line_room];
    char* at_ = buffer_;
    char prefix_[line_room] = {};
    int prefix_length_ = 0;
};

// An unnamed file in $TMPDIR, else /tmp, that goes with the process however
// it ends: its name goes as soon as it is made, every signal held in
// between. -1 with errno set when it cannot be made.
int unnamed_file(const std::string& folder)
{
    std::string path = folder + "/mountain-ranges-XXXXXX";
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &before);
    const int fd = mkstemp(path.data());
    const int cause = errno;
    if (fd >= 0)
        unlink(path.c_str());
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    errno = cause;
    return fd;
}

// One pass over the stream puts each range in the bucket of its value, and
// a bucket goes to the file a block at a time; then the buckets are read
// back in the order of their values. A range is read from the file as it
// went in, four bytes: the listing is at most 32 strokes long.
constexpr std::size_t block_codes = 4096;
constexpr std::size_t block_bytes = block_codes * sizeof(std::uint32_t);

struct Bucket {
    std::vector<std::uint32_t> codes;  // not yet in the file
    std::vector<off_t> blocks;         // where its full blocks lie in the file
};

// Writes all `size` bytes at the end of `fd`; false with errno set when it cannot.
bool write_all(int fd, const void* data, std::size_t size)
{
    // A write cut short by a full disk says why on the next try.
    for (const char* at = static_cast<const char*>(data); size > 0;) {
        const ssize_t written = write(fd, at, size);
        if (written < 0)
            return false;
        at += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

int print_whole_listing(int length, ranges::Grouping grouping, std::FILE* out)
{
    static_assert(longest_whole_listing <= 32, "a range of the file is four bytes");
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string folder = tmpdir && *tmpdir ? tmpdir : "/tmp";
    const int fd = unnamed_file(folder);
    if (fd < 0) {
        std::fprintf(stderr, "%s: cannot make a temporary file in %s: %s\n", program, folder.c_str(),
                     std::strerror(errno));
        return 1;
    }
    const ranges::GroupingInfo& info = ranges::grouping_info(grouping);
    std::vector<Bucket> buckets(static_cast<std::size_t>(info.highest(length / 2) - info.lowest) + 1);
    off_t end = 0;
    std::string failure;  // why the file failed
    ranges::for_each_valued_run(length / 2, grouping, [&](const ranges::RangeRun& run, const int* values) {
        for (std::size_t i = 0; i < run.count; ++i) {
            Bucket& bucket = buckets[static_cast<std::size_t>(values[i] - info.lowest)];
            if (bucket.codes.empty())
                bucket.codes.reserve(block_codes);
            bucket.codes.push_back(static_cast<std::uint32_t>(run.codes[i] | run.tail));
            if (bucket.codes.size() < block_codes)
                continue;
            if (!write_all(fd, bucket.codes.data(), block_bytes)) {
                failure = std::string("cannot write a temporary file in ") + folder + ": " + std::strerror(errno);
                return false;
            }
            bucket.blocks.push_back(end);
            end += static_cast<off_t>(block_bytes);
            bucket.codes.clear();
        }
        return true;
    });

    Lines lines(out, length);
    std::vector<std::uint32_t> block(block_codes);
    bool written = true;
    for (const int value : ranges::group_values(length / 2, grouping)) {
        const Bucket& bucket = buckets[static_cast<std::size_t>(value - info.lowest)];
        lines.start_group(value);
        for (std::size_t b = 0; failure.empty() && written && b <= bucket.blocks.size(); ++b) {
            const bool in_file = b < bucket.blocks.size();
            const ssize_t got = in_file ? pread(fd, block.data(), block_bytes, bucket.blocks[b]) : 0;
            if (in_file && got != static_cast<ssize_t>(block_bytes)) {
                failure = std::string("cannot read back a temporary file in ") + folder;
                break;
            }
            for (const std::uint32_t code : in_file ? block : bucket.codes) {
                written = lines.put(code);
                if (!written)
                    break;
            }
        }
    }
    close(fd);
    if (!failure.empty()) {
        std::fprintf(stderr, "%s: %s\n", program, failure.c_str());
        return 1;
    }
    return lines.finish(written);
}

}  // namespace

int print_listing(int length, ranges::Grouping grouping, std::FILE* out, std::optional<int> value)
{
    // A reader that has seen enough, such as head, ends the listing quietly.
    std::signal(SIGPIPE, SIG_DFL);
    if (ranges::grouping_info(grouping).walk == ranges::Walk::whole && !value)
        return print_whole_listing(length, grouping, out);
    Lines lines(out, length);
    bool written = true;
    for (const int shown : values_shown(length, grouping, value)) {
        lines.start_group(shown);
        written = written && ranges::for_each_in_group(length / 2, grouping, shown,
                                                       [&lines](ranges::Code code) { return lines.put(code); });
    }
    return lines.finish(written);
}

int print_counts(int length, ranges::Grouping grouping, std::FILE* out, std::optional<int> value)
{
    for (const int shown : values_shown(length, grouping, value))
        std::fprintf(out, "%d %" PRIu64 "\n", shown, ranges::count_group(length / 2, grouping, shown));
    return finish_output(program, out);
}

int print_pair_counts(int length, ranges::Grouping first, ranges::Grouping second, std::FILE* out,
                      std::optional<std::pair<int, int>> values)
{
    bool found = false;
    for (const ranges::PairCount& cell : ranges::count_pairs(length / 2, first, second))
        if (!values || *values == std::pair{cell.first, cell.second}) {
            std::fprintf(out, "%d %d %" PRIu64 "\n", cell.first, cell.second, cell.count);
            found = true;
        }
    if (values && !found)
        std::fprintf(out, "%d %d 0\n", values->first, values->second);
    return finish_output(program, out);
}

}  // namespace app
