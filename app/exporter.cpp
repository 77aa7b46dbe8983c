#include "exporter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "font.h"
#include "gallery/page.h"
#include "gallery/svg.h"
#include "gallery/tikz.h"
#include "options.h"
#include "pdf_file.h"
#include "png_file.h"
#include "ranges/ranges.h"

namespace app {

const char* const page_writer = "mountain-ranges-export " MOUNTAIN_RANGES_VERSION;

namespace {

constexpr const char* program = "mountain-ranges-export";
constexpr std::size_t last_page = 99;  // of two digits: no gallery comes near a hundred pages

int fail(const std::string& message)
{
    std::fprintf(stderr, "%s: %s\n", program, message.c_str());
    return 1;
}

// The line for a step on `path` that failed with errno.
std::string failed(const char* step, const std::string& path)
{
    return std::string("cannot ") + step + " \"" + path + "\": " + std::strerror(errno);
}

std::string page_name(std::size_t page, const std::string& format)
{
    char name[32];
    std::snprintf(name, sizeof name, "page-%02zu.%s", page, format == "tikz" ? "tex" : format.c_str());
    return name;
}

// The one file of a PDF export, named for the gallery it holds.
std::string pdf_name(const gallery::Gallery& gallery)
{
    return "mountain-ranges-" + std::to_string(gallery.length) + "-by-" + ranges::grouping_info(gallery.grouping).name +
           ".pdf";
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

enum class Found { nothing, ours, foreign };

// Whether the file at `path` is a page of ours, of any version: it bears the
// mark where the writers set it. That is in the chunk after the PNG's
// signature and header chunk, in the comment after the SVG's first line, in
// the TikZ page's first line, or in the PDF's Creator, which cairo writes in
// the information dictionary just before the cross-reference table at the end.
bool bears_mark(const std::string& path, const std::string& format)
{
    std::ifstream file(path, std::ios::binary);
    const std::string name = std::string(program) + " ";
    if (format == "pdf") {
        constexpr std::streamsize tail_size = 16384;  // the end of a PDF of a hundred pages takes 10 kB
        file.seekg(0, std::ios::end);
        file.seekg(std::max<std::streamoff>(0, file.tellg() - tail_size));
        std::string tail(tail_size, '\0');
        tail.resize(static_cast<std::size_t>(file.read(tail.data(), tail_size).gcount()));
        return tail.find("/Creator (" + name) != std::string::npos;
    }
    std::string head(128, '\0');
    head.resize(static_cast<std::size_t>(file.read(head.data(), 128).gcount()));
    const std::string mark = format == "png"   ? std::string("tEXtSoftware") + '\0' + name
                             : format == "svg" ? "<!-- " + name
                                               : "% " + name;
    const std::size_t at = format == "png" ? 8 + 25 + 4 : format == "svg" ? head.find('\n') + 1 : 0;
    return head.substr(std::min(at, head.size()), mark.size()) == mark;
}

// What lies under `path`; when that cannot be told, the cause goes in `error`.
// A folder counts as nothing: renaming a page onto it fails, which puts the
// set back.
Found look_at(const std::string& path, const std::string& format, std::string& error)
{
    struct stat info {};  // a mode of 0: nothing there
    if (lstat(path.c_str(), &info) != 0 && errno != ENOENT)
        error = failed("look at", path);
    if (!S_ISREG(info.st_mode))
        return info.st_mode == 0 || S_ISDIR(info.st_mode) ? Found::nothing : Found::foreign;
    return bears_mark(path, format) ? Found::ours : Found::foreign;
}

// A name the set writes a new page to, or clears of an older one.
struct Slot {
    std::string path;
    std::string bytes;    // the new page; none for a name to clear
    bool keep = false;    // an older page of ours is there
    std::string staged;   // the new page's temporary name until it is placed
    std::string aside;    // the older page's temporary name
    bool placed = false;  // the new page is under `path`
};

// Writes the new page to a file beside its name, with the mode any new file gets.
bool stage(Slot& slot, mode_t mode, std::string& error)
{
    slot.staged = slot.path + ".XXXXXX";
    const int fd = mkstemp(slot.staged.data());
    if (fd < 0) {
        error = failed("create a file beside", slot.path);
        slot.staged.clear();
        return false;
    }
    fchmod(fd, mode);  // mkstemp's file is private; where modes cannot be set (FAT) it stays so
    ssize_t wrote = 0;
    for (std::size_t done = 0; done < slot.bytes.size() && wrote >= 0; done += static_cast<std::size_t>(wrote))
        wrote = write(fd, slot.bytes.data() + done, slot.bytes.size() - done);
    const bool written = wrote >= 0;
    if (close(fd) != 0 || !written) {  // errno tells the first cause
        error = failed("write", slot.path);
        return false;
    }
    return true;
}

// Renames the older page to a free name beside it (mkstemp finds one, and the
// rename takes that empty file's place), then the new page into place.
bool install(Slot& slot, std::string& error)
{
    std::string name = slot.path + ".XXXXXX";
    const int fd = slot.keep ? mkstemp(name.data()) : -1;
    if (slot.keep && (fd < 0 || close(fd) != 0 || std::rename(slot.path.c_str(), name.c_str()) != 0)) {
        error = failed("keep aside", slot.path);
        if (fd >= 0 && unlink(name.c_str()) != 0)
            error += "; " + failed("remove", name);
        return false;
    }
    slot.aside = slot.keep ? name : "";
    slot.placed = !slot.bytes.empty() && std::rename(slot.staged.c_str(), slot.path.c_str()) == 0;
    if (slot.placed)
        slot.staged.clear();
    else if (!slot.bytes.empty())
        error = failed("put the new page at", slot.path);
    return slot.placed || slot.bytes.empty();
}

// Removes the temporary names, and unless `done` puts every older page back
// and clears the names that held none. A step that fails adds to `error`.
void settle(const std::vector<Slot>& slots, bool done, std::string& error)
{
    const auto step = [&](bool ok, const char* what, const std::string& path) {
        if (!ok)
            error += (error.empty() ? "" : "; and ") + failed(what, path);
    };
    for (const Slot& slot : slots) {
        if (!slot.staged.empty())
            step(unlink(slot.staged.c_str()) == 0, "remove", slot.staged);
        if (!slot.aside.empty() && done)
            step(unlink(slot.aside.c_str()) == 0, "remove", slot.aside);
        else if (!slot.aside.empty())
            step(std::rename(slot.aside.c_str(), slot.path.c_str()) == 0, "put back", slot.aside);
        else if (slot.placed && !done)
            step(unlink(slot.path.c_str()) == 0, "remove", slot.path);
    }
}

// Writes the set and puts it in place, as exporter.h tells, with SIGINT,
// SIGTERM and SIGHUP held until the folder holds the new set or the old again.
bool publish(std::vector<Slot>& slots, std::string& error)
{
    const mode_t mask = umask(0);
    umask(mask);
    sigset_t held;
    sigset_t before;
    sigemptyset(&held);
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&held, number);
    sigprocmask(SIG_BLOCK, &held, &before);
    bool done = true;
    for (Slot& slot : slots)
        done = done && (slot.bytes.empty() || stage(slot, 0666 & ~mask, error));
    for (Slot& slot : slots)
        done = done && install(slot, error);
    settle(slots, done, error);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return error.empty();
}

}  // namespace

int run_export(int argc, char** argv)
{
    Options options;
    if (const int status = parse_options(Program::exporter, argc, argv, options); status >= 0)
        return status;
    // A write beyond a file-size limit (ulimit -f) then fails, and the set is put back.
    std::signal(SIGXFSZ, SIG_IGN);

    std::string error;
    const gallery::Gallery gallery = gallery::make_gallery(options.length, options.grouping);
    gallery::TextImages texts;
    const std::string font = options.font.empty() ? default_font() : options.font;
    std::string font_bytes;  // the PDF embeds the font
    if (!read_font_file(font, font_bytes, error) || !render_font_texts(font_bytes, font, gallery.texts, texts, error)) {
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
    // A PDF holds every page under its one name; in any other format a page
    // is a file, and the names of older pages beyond the last are cleared.
    const bool one_file = options.format == "pdf";
    const std::size_t files = one_file ? 1 : pages.size();
    const std::size_t names = one_file ? 1 : std::max(pages.size(), last_page);
    std::vector<Slot> slots;
    for (std::size_t number = 1; number <= names; ++number) {
        const bool is_page = number <= files;
        Slot slot;
        slot.path = folder + (one_file ? pdf_name(gallery) : page_name(number, options.format));
        if (one_file) {
            slot.bytes = pdf_bytes(pages, texts, gallery, colours, font_bytes, page_writer, error);
        } else if (is_page && options.format == "svg") {
            slot.bytes = gallery::page_svg(pages[number - 1], texts, gallery, colours, page_writer);
        } else if (is_page && options.format == "tikz") {
            slot.bytes = gallery::page_tikz(pages[number - 1], texts, gallery, colours, page_writer);
        } else if (is_page) {
            gallery::draw_page(canvas, texts, gallery, pages[number - 1], {0, 1, 2});
            slot.bytes = png_bytes(canvas, {colours.background, colours.stroke, colours.text}, page_writer, error);
        }
        if (is_page && slot.bytes.empty())
            return fail("cannot write \"" + slot.path + "\": " + error);
        const Found found = look_at(slot.path, options.format, error);
        if (!error.empty())
            return fail(error);
        if (found == Found::foreign && is_page)
            return fail("\"" + slot.path + "\" is not a page of ours: move it away or pick another folder");
        slot.keep = found == Found::ours;
        if (is_page || slot.keep)
            slots.push_back(std::move(slot));
    }
    if (!publish(slots, error))
        return fail(error);

    for (std::size_t file = 0; file < files; ++file)
        std::printf("wrote %s\n", slots[file].path.c_str());
    const std::size_t stale = slots.size() - files;
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%zu %s written to %s in %.3f s", pages.size(), pages.size() == 1 ? "page" : "pages",
                options.folder.c_str(), took.count());
    if (stale > 0)
        std::printf("; %zu older %s beyond them removed", stale, stale == 1 ? "page" : "pages");
    std::printf("\n");
    return finish_output(program);
}

}  // namespace app
