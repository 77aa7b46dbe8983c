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
#include "png_file.h"
#include "ranges/ranges.h"
#include "staged_files.h"

namespace app {

namespace {

constexpr const char* usage =
    "usage: mountain-ranges-export [--font PATH] [--format png|svg] [OUTPUT_DIR]\n"
    "Draws the twenty pages of the mountain range gallery without a window and\n"
    "writes them as OUTPUT_DIR/page-01.png ... page-20.png (default: the current\n"
    "folder), or with --format svg as page-01.svg ... page-20.svg. The captions\n"
    "use \"times.ttf\" from the working directory, or the TrueType font given\n"
    "with --font.\n";

int fail(const std::string& message)
{
    std::fprintf(stderr, "mountain-ranges-export: %s\n", message.c_str());
    return 1;
}

// Status 2 tells a script that its command line is wrong, not the run.
int refuse(const std::string& message)
{
    fail(message);
    return 2;
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
    std::string format = "png";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (arg == "--font") {
            if (i + 1 == argc)
                return fail("--font needs a path (see --help)");
            font_path = argv[++i];
        } else if (arg.rfind("--font=", 0) == 0) {
            font_path = arg.substr(7);
        } else if (arg == "--format") {
            if (i + 1 == argc)
                return refuse("--format needs png or svg (see --help)");
            format = argv[++i];
        } else if (arg.rfind("--format=", 0) == 0) {
            format = arg.substr(9);
        } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
            return fail("unknown option " + arg + " (see --help)");
        } else if (folder.empty() && !arg.empty()) {
            folder = arg;
        } else {
            return fail("more than one output folder given (see --help)");
        }
    }
    if (folder.empty())
        folder = ".";
    if (format != "png" && format != "svg")
        return refuse("unknown format \"" + format + "\": --format takes png or svg");

    std::string error;
    if (!check_folder(folder, error))
        return fail(error);

    gallery::TextImages texts;
    if (!render_texts(font_path.empty() ? font_file : font_path, ranges::range_length, texts, error)) {
        if (font_path.empty())
            error += std::string("; put a TrueType font named \"") + font_file + "\" in the working directory, " +
                     working_directory() + ", or pass --font PATH";
        return fail(error);
    }

    const auto start = std::chrono::steady_clock::now();
    // The window's own pixel format, so every page has the pixels the window shows.
    std::vector<std::uint32_t> pixels(std::size_t{gallery::page_width} * gallery::page_height);
    const raster::Canvas canvas{pixels.data(), gallery::page_width, gallery::page_height, gallery::page_width * 4};
    const gallery::Colours colours = {0xFFFFFF, 0x0000FF, 0x000000};
    const ranges::RangeTables tables = ranges::enumerate_ranges();
    const std::vector<gallery::Page> pages = gallery::lay_out_gallery(tables.range_count);

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
    std::printf("%zu pages written to %s in %.3f s\n", pages.size(), folder.c_str(), took.count());
    return report_written(error) ? 0 : fail(error);
}

}  // namespace app
