#include "exporter.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "font.h"
#include "formats.h"
#include "gallery/page.h"
#include "gallery/poster.h"
#include "gallery/shapes.h"
#include "options.h"
#include "paper_sizes.h"
#include "pdf_file.h"
#include "publish.h"

namespace app {

namespace {

constexpr const char* program = "mountain-ranges-export";
constexpr std::size_t last_page = 99;  // of two digits: no gallery comes near a hundred pages

int fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return 1;
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

std::vector<FormatChoice> format_choices()
{
    std::vector<FormatChoice> choices;
    for (const Format& format : formats)
        choices.push_back({format.name, format.help, format.on_paper, format.poster != nullptr});
    return choices;
}

// The names of the documents of pages in `format` of every gallery but
// `gallery`: this set replaces or removes their pages, so they go too.
std::vector<std::string> other_documents(const gallery::Gallery& gallery, const Format& format)
{
    std::vector<std::string> names;
    if (!format.page || !format.whole)
        return names;
    for (int length = 2; length <= gallery::longest_length; length += 2)
        for (std::size_t g = 0; g < ranges::groupings.size(); ++g) {
            const auto grouping = static_cast<ranges::Grouping>(g);
            if (length != gallery.length || grouping != gallery.grouping)
                names.push_back(whole_file_name(length, grouping, format));
        }
    return names;
}

// The line that refuses the paper `name`, too small for the poster `sheet`,
// and names the smallest that is not.
std::string too_small(const std::string& name, const gallery::Shapes& sheet)
{
    const std::string fits = smallest_paper([&](const Paper& paper) { return legible_poster(sheet, paper); });
    char limits[96];
    std::snprintf(limits, sizeof limits, "whose strokes must keep %g pt and captions %g pt", thinnest_stroke,
                  smallest_type);
    return "--paper " + name + " is too small for this poster, " + limits + ": " +
           (fits.empty() ? "no paper that libpaper knows is large enough" : "the smallest paper that fits is " + fits);
}

}  // namespace

int run_export(int argc, char** argv)
{
    Options options;
    if (const int status = parse_options(Program::exporter, argc, argv, options, format_choices(), paper_names());
        status >= 0)
        return status;
    std::optional<Paper> paper;
    if (!options.paper.empty() && !(paper = find_paper(options.paper)))
        return refuse(Program::exporter, "--paper system: the paper in PAPERSIZE or /etc/papersize is none that "
                                         "libpaper knows");
    // A write beyond a file-size limit (ulimit -f) then fails, and the set is put back.
    std::signal(SIGXFSZ, SIG_IGN);
    const Format& format = *find_format(options.format);

    std::string error;
    const gallery::Gallery gallery = gallery::make_gallery(options.length, options.grouping);
    gallery::TextImages texts;
    const std::string font = options.font.empty() ? default_font() : options.font;
    std::string font_bytes;  // a format may embed the font
    if (!read_font_file(font, font_bytes, error) || !render_font_texts(font_bytes, font, gallery.texts, texts, error)) {
        if (options.font.empty())
            error += "; without --font PATH the program looks for its TrueType font as " + default_font_places();
        return fail(error);
    }

    const auto start = std::chrono::steady_clock::now();
    // The pages, or the poster as the one sheet, laid out before the folder is
    // made: a paper too small for the poster refuses the command line.
    std::vector<gallery::Page> pages;
    std::vector<gallery::Shapes> shapes;
    if (options.poster) {
        gallery::Poster poster = gallery::lay_out_poster(gallery, texts);
        shapes.push_back(gallery::item_shapes(poster.items, gallery, texts, poster.width, poster.height));
        pages.push_back(std::move(poster.items));
        if (paper && !legible_poster(shapes.front(), *paper))
            return refuse(Program::exporter, too_small(options.paper, shapes.front()));
    } else {
        pages = gallery::lay_out_gallery(gallery, gallery::text_height(texts));
        for (const gallery::Page& page : pages)
            shapes.push_back(gallery::item_shapes(page, gallery, texts));
    }
    if (!prepare_folder(options.folder, error))
        return fail(error);
    const Drawing drawing{gallery, pages, texts, shapes, font_bytes, paper, format};
    const std::string folder = options.folder + (options.folder.back() == '/' ? "" : "/");
    std::vector<SetFile> files;
    const auto add = [&](const std::string& name, Writer write, std::size_t index) {
        files.push_back({folder + name, write(drawing, index, page_writer, error)});
        return !files.back().bytes.empty();
    };
    // The names of older pages beyond the last, and of other galleries'
    // documents of pages, are cleared so that the folder holds one gallery of
    // the format. They are found by their names, as a folder may be one that
    // cannot be read. A poster replaces only the file of its own name.
    std::vector<std::string> older;
    bool written = true;
    if (options.poster) {
        written = add(poster_file_name(gallery.length, gallery.grouping, format), format.poster, 0);
    } else {
        for (const std::string& name : other_documents(gallery, format))
            older.push_back(folder + name);
        for (std::size_t number = pages.size() + 1; format.page && number <= last_page; ++number)
            older.push_back(folder + page_file_name(number, format));
        for (std::size_t number = 1; written && format.page && number <= pages.size(); ++number)
            written = add(page_file_name(number, format), format.page, number - 1);
        if (written && format.whole)
            written = add(whole_file_name(gallery.length, gallery.grouping, format), format.whole, every_page);
    }
    if (!written)
        return fail("cannot write \"" + files.back().path + "\": " + error);
    const long removed = publish_set(options.folder, files, older, format.mark, error);
    if (removed < 0)
        return fail(error);

    for (const SetFile& file : files)
        std::printf("wrote %s\n", file.path.c_str());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    if (options.poster)
        std::printf("a poster of %zu ranges written to %s in %.3f s", shapes.front().polylines.size(),
                    options.folder.c_str(), took.count());
    else
        std::printf("%zu %s written to %s in %.3f s", pages.size(), pages.size() == 1 ? "page" : "pages",
                    options.folder.c_str(), took.count());
    if (removed > 0)
        std::printf("; %ld older %s removed", removed, removed == 1 ? "file" : "files");
    std::printf("\n");
    return finish_output(program);
}

}  // namespace app
