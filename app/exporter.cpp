#include "exporter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "font.h"
#include "gallery/page.h"
#include "gallery/svg.h"
#include "options.h"
#include "png_file.h"
#include "ranges/ranges.h"
#include "staged_files.h"

namespace app {

namespace {

constexpr const char* program = "mountain-ranges-export";

constexpr const char* usage =
    "usage: mountain-ranges-export [--length L] [--font PATH] [--format png|svg] [OUTPUT_DIR]\n"
    "Draws the pages of the mountain range gallery without a window and writes\n"
    "them as OUTPUT_DIR/page-01.png, page-02.png, ... (default: the current\n"
    "folder), or with --format svg as page-01.svg, ...: twenty pages for length\n"
    "16. The title and the captions use the TrueType font given with --font,\n"
    "else \"times.ttf\" from the working directory, else the one installed with\n"
    "the program.\n"
    "\n"
    "  --length L      the length of the ranges: an even number from 2 to 16 (default 16)\n"
    "  --font PATH     the TrueType font for the title and the captions\n"
    "  --format FORMAT png (indexed-colour bitmaps, the default) or svg (for print)\n"
    "  --help          print this help and exit\n"
    "  --version       print the version and exit\n";

int fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return 1;
}

std::string page_path(const std::string& folder, int page, const std::string& format)
{
    char name[32];
    std::snprintf(name, sizeof name, "page-%02d.%s", page, format.c_str());
    return folder + (folder.back() == '/' ? "" : "/") + name;
}

// Checked before any drawing so a wrong folder fails at once and leaves nothing.
bool check_folder(const std::string& folder, std::string& error)
{
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) {
        error = "output folder \"" + folder + "\": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = "output folder \"" + folder + "\" is not a folder";
        return false;
    }
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
        error = "cannot write in output folder \"" + folder + "\": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool write_text(const std::string& text, std::FILE* file, std::string& error)
{
    if (std::fwrite(text.data(), 1, text.size(), file) == text.size())
        return true;
    error = std::strerror(errno);
    return false;
}

// Writes one page with `write` into a staged file for `path`; the page
// reaches its final name only when the whole set is published.
template <typename Write>
bool stage_page(const std::string& path, const Write& write, std::string& error)
{
    const int fd = staging::stage_file(path, error);
    if (fd < 0)
        return false;
    std::FILE* file = fdopen(fd, "wb");
    if (!file) {
        error = std::strerror(errno);
        close(fd);
        return false;
    }
    bool ok = write(file, error);
    // A full disk may only show when the buffered tail is flushed.
    if (ok && std::fflush(file) != 0) {
        error = std::strerror(errno);
        ok = false;
    }
    if (std::fclose(file) != 0 && ok) {
        error = std::strerror(errno);
        ok = false;
    }
    if (!ok)
        error = "cannot write \"" + path + "\": " + error;
    return ok;
}

// The report goes to stdout; losing it (a full device, a closed pipe) is a
// failure like any other.
bool report_written(std::string& error)
{
    if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0)
        return true;
    error = std::string("cannot write the report to standard output: ") + std::strerror(errno);
    return false;
}

}  // namespace

int run_export(int argc, char** argv)
{
    std::string folder;
    std::string font_path;
    int length = ranges::range_length;
    std::string format = "png";
    std::string error;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string value;
        bool missing = false;
        if (answered_help_or_version(arg, program, usage))
            return 0;
        if (take_option("--font", argc, argv, i, value, missing)) {
            if (missing || value.empty())
                return refuse(program, "--font takes the path of a TrueType font");
            font_path = value;
        } else if (take_length(argc, argv, i, length, error)) {
            if (length == 0)
                return refuse(program, error);
        } else if (take_option("--format", argc, argv, i, value, missing)) {
            if (missing || (value != "png" && value != "svg"))
                return refuse(program, std::string("--format takes png or svg") +
                                           (missing ? "" : ", not \"" + value + "\""));
            format = value;
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            return refuse(program, "unknown option " + arg);
        } else if (arg.empty()) {
            return refuse(program, "the output folder is an empty string");
        } else if (folder.empty()) {
            folder = arg;
        } else {
            return refuse(program, "more than one output folder given");
        }
    }
    if (folder.empty())
        folder = ".";

    if (!check_folder(folder, error))
        return fail(error);

    gallery::TextImages texts;
    if (!render_texts(font_path.empty() ? default_font() : font_path, length, texts, error)) {
        if (font_path.empty())
            error += "; without --font PATH the program looks for its TrueType font as " + default_font_places();
        return fail(error);
    }

    const auto start = std::chrono::steady_clock::now();
    // The window's own pixel format, so every page has the pixels the window shows.
    std::vector<std::uint32_t> pixels(std::size_t{gallery::page_width} * gallery::page_height);
    const raster::Canvas canvas{pixels.data(), gallery::page_width, gallery::page_height, gallery::page_width * 4};
    const gallery::Colours colours = {0xFFFFFF, 0x0000FF, 0x000000};
    const ranges::RangeTables tables = ranges::enumerate_ranges(length / 2);
    const std::vector<gallery::Page> pages = gallery::lay_out_gallery(gallery::range_counts(tables), length / 2);

    std::vector<std::string> paths;
    for (const gallery::Page& page : pages) {
        paths.push_back(page_path(folder, static_cast<int>(paths.size()) + 1, format));
        const auto write = [&](std::FILE* file, std::string& cause) {
            if (format == "svg")
                return write_text(gallery::page_svg(page, texts, tables, colours), file, cause);
            gallery::draw_page(canvas, texts, tables, page, colours);
            return write_png(canvas, file, cause);
        };
        if (!stage_page(paths.back(), write, error)) {
            staging::discard_staged_files();
            return fail(error);
        }
    }
    if (!staging::publish_staged_files(error))
        return fail(error);

    for (const std::string& path : paths)
        std::printf("wrote %s\n", path.c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%zu %s written to %s in %.3f s\n", pages.size(), pages.size() == 1 ? "page" : "pages",
                folder.c_str(), took.count());
    return report_written(error) ? 0 : fail(error);
}

}  // namespace app
