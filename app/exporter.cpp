#include "exporter.h"

#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "font.h"
#include "gallery/page.h"
#include "gallery/svg.h"
#include "options.h"
#include "png_file.h"
#include "ranges/ranges.h"
#include "staged_files.h"

namespace app {

const char* const page_writer = "mountain-ranges-export " MOUNTAIN_RANGES_VERSION;

namespace {

constexpr const char* program = "mountain-ranges-export";

int fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return 1;
}

std::string page_name(int page, const std::string& format)
{
    char name[32];
    std::snprintf(name, sizeof name, "page-%02d.%s", page, format.c_str());
    return name;
}

// Made as `mkdir -p` would, and checked before any drawing so that a wrong
// folder fails at once.
bool prepare_folder(const std::string& folder, std::string& error)
{
    std::error_code cause;
    std::filesystem::create_directories(folder, cause);
    if (!cause && !std::filesystem::is_directory(folder, cause))
        error = "output folder \"" + folder + "\" is not a folder";
    else if (cause)
        error = "output folder \"" + folder + "\": " + cause.message();
    else if (access(folder.c_str(), W_OK | X_OK) != 0)
        error = "cannot write in output folder \"" + folder + "\": " + std::strerror(errno);
    return error.empty();
}

// Page files of this format that an earlier, longer export left beyond the
// `count` pages of this one: page-21.png and on, named exactly as page_name
// names them.
std::vector<std::string> stale_pages(const std::string& folder, const std::string& format, int count)
{
    std::vector<std::string> stale;
    std::error_code cause;
    for (const auto& entry : std::filesystem::directory_iterator(folder, cause)) {
        const std::string name = entry.path().filename().string();
        const int number = std::atoi(name.c_str() + std::min<std::size_t>(name.size(), 5));
        std::error_code not_regular;
        if (number > count && name == page_name(number, format) && entry.is_regular_file(not_regular))
            stale.push_back(entry.path().string());
    }
    return stale;
}

// Writes `bytes` into a staged file for `path`; the page reaches its final
// name only when the whole set is published.
bool stage_page(const std::string& path, const std::string& bytes, std::string& error)
{
    const int fd = staging::stage_file(path, error);
    if (fd < 0)
        return false;
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            error = "cannot write \"" + path + "\": " + std::strerror(wrote < 0 ? errno : ENOSPC);
            close(fd);
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    if (close(fd) != 0) {
        error = "cannot write \"" + path + "\": " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

int run_export(int argc, char** argv)
{
    Options options;
    if (const int status = parse_options(Program::exporter, argc, argv, options); status >= 0)
        return status;

    std::string error;
    const gallery::Gallery gallery = gallery::make_gallery(options.length, options.grouping);
    gallery::TextImages texts;
    const std::string font = options.font.empty() ? default_font() : options.font;
    if (!render_texts(font, gallery.texts, texts, error)) {
        if (options.font.empty())
            error += "; without --font PATH the program looks for its TrueType font as " + default_font_places();
        return fail(error);
    }
    if (!prepare_folder(options.folder, error))
        return fail(error);

    const auto start = std::chrono::steady_clock::now();
    // PNG pages are drawn in palette indices, which the file maps to the page's colours.
    std::vector<std::uint32_t> pixels(std::size_t{gallery::page_width} * gallery::page_height);
    const raster::Canvas canvas{pixels.data(), gallery::page_width, gallery::page_height, gallery::page_width * 4};
    const gallery::Colours& colours = gallery::page_colours;
    const std::vector<gallery::Page> pages = gallery::lay_out_gallery(gallery, gallery::text_height(texts));

    const std::string folder = options.folder + (options.folder.back() == '/' ? "" : "/");
    std::vector<std::string> paths;
    for (const gallery::Page& page : pages) {
        paths.push_back(folder + page_name(static_cast<int>(paths.size()) + 1, options.format));
        std::string bytes;
        if (options.format == "svg") {
            bytes = gallery::page_svg(page, texts, gallery, colours, page_writer);
        } else {
            gallery::draw_page(canvas, texts, gallery, page, {0, 1, 2});
            bytes = png_bytes(canvas, {colours.background, colours.stroke, colours.text}, page_writer, error);
            if (bytes.empty())
                error.insert(0, "cannot write \"" + paths.back() + "\": ");
        }
        if (bytes.empty() || !stage_page(paths.back(), bytes, error)) {
            staging::discard_staged_files();
            return fail(error);
        }
    }
    const std::vector<std::string> stale = stale_pages(options.folder, options.format, static_cast<int>(pages.size()));
    if (!staging::publish_staged_files(stale, error))
        return fail(error);

    for (const std::string& path : paths)
        std::printf("wrote %s\n", path.c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%zu %s written to %s in %.3f s", pages.size(), pages.size() == 1 ? "page" : "pages",
                options.folder.c_str(), took.count());
    if (!stale.empty())
        std::printf("; %zu older %s beyond them removed", stale.size(), stale.size() == 1 ? "page" : "pages");
    std::printf("\n");
    return finish_output(program);
}

}  // namespace app
