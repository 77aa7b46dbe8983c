#include "pdf_file.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>

#include "freetype_face.h"

namespace app {

namespace {

constexpr double margin = 10 * 72 / 25.4;  // 10 mm in points, inside what any printer reaches
constexpr double number_size = 9;          // of the page number's type, in points
constexpr double number_band = 2 * number_size;  // under the page, the number's line and the gap above it

// A FreeType face and the bytes it reads, which must outlive it. cairo may
// keep the face in its caches after the document is done, so the face's
// cairo twin owns this and frees it when cairo lets go.
struct HeldFace {
    std::string bytes;  // declared first, so that it goes last
    FreeTypeFace freetype;
};

const cairo_user_data_key_t held_face_key{};

void release_face(void* held)
{
    delete static_cast<HeldFace*>(held);
}

// The cairo font face of the TrueType font in `bytes`, or null with the cause in `error`.
cairo_font_face_t* font_face(const std::string& bytes, std::string& error)
{
    auto held = std::make_unique<HeldFace>();
    held->bytes = bytes;
    if (open_face(held->bytes, held->freetype) != 0) {
        error = "FreeType cannot open the font";
        return nullptr;
    }
    cairo_font_face_t* face = cairo_ft_font_face_create_for_ft_face(held->freetype.face, 0);
    cairo_status_t status = cairo_font_face_status(face);
    if (status == CAIRO_STATUS_SUCCESS)
        status = cairo_font_face_set_user_data(face, &held_face_key, held.get(), release_face);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = std::string("cairo: ") + cairo_status_to_string(status);
        cairo_font_face_destroy(face);
        return nullptr;
    }
    static_cast<void>(held.release());  // cairo's now, to free through release_face
    return face;
}

cairo_status_t append(void* bytes, const unsigned char* data, unsigned int length)
{
    try {
        static_cast<std::string*>(bytes)->append(reinterpret_cast<const char*>(data), length);
    } catch (const std::bad_alloc&) {
        return CAIRO_STATUS_NO_MEMORY;
    }
    return CAIRO_STATUS_SUCCESS;
}

void set_colour(cairo_t* cairo, std::uint32_t colour)
{
    cairo_set_source_rgb(cairo, ((colour >> 16U) & 0xFFU) / 255.0, ((colour >> 8U) & 0xFFU) / 255.0,
                         (colour & 0xFFU) / 255.0);
}

// Where a page goes on its sheet: scaled by `scale` with its top left corner
// at (left, top).
struct Placement {
    double sheet_width;
    double sheet_height;
    double scale;
    double left;
    double top;
};

Placement place(const gallery::Shapes& page, const std::optional<Paper>& paper, bool poster)
{
    if (!paper)
        return {static_cast<double>(page.width), static_cast<double>(page.height), 1, 0, 0};
    const double longer = std::max(paper->width, paper->height);
    const double shorter = std::min(paper->width, paper->height);
    const bool landscape = !poster && page.width > page.height;
    const double width = landscape ? longer : shorter;
    const double height = landscape ? shorter : longer;
    const double band = poster ? 0 : number_band;
    const double scale = std::min((width - 2 * margin) / page.width, (height - 2 * margin - band) / page.height);
    return {width, height, scale, (width - scale * page.width) / 2, (height - scale * page.height - band) / 2};
}

// The ranges first and the texts over them, as draw_page has them.
void draw(cairo_t* cairo, const gallery::Shapes& page, const gallery::Colours& colours)
{
    set_colour(cairo, colours.background);
    cairo_rectangle(cairo, 0, 0, page.width, page.height);
    cairo_fill(cairo);
    set_colour(cairo, colours.stroke);
    // The bitmap's strokes are ticks across the line, which round off its
    // corners and ends; a mitred corner would stand out a pixel past them.
    cairo_set_line_width(cairo, gallery::stroke_width);
    cairo_set_line_join(cairo, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cairo, CAIRO_LINE_CAP_ROUND);
    for (const std::vector<gallery::Point>& line : page.polylines) {
        cairo_move_to(cairo, line.front().x, line.front().y);
        for (auto point = line.begin() + 1; point != line.end(); ++point)
            cairo_line_to(cairo, point->x, point->y);
        cairo_stroke(cairo);
    }
    set_colour(cairo, colours.text);
    cairo_set_font_size(cairo, page.text_size);
    for (const gallery::Label& label : page.labels) {
        cairo_move_to(cairo, label.x, label.y);
        cairo_show_text(cairo, label.text.c_str());
    }
}

// The page drawn at `at`, from a recording of it in its own units: cairo then
// writes it as a form scaled as a whole, its points as they are, where
// drawing it scaled would write every point transformed, in a file half as
// large again. Returns the recording's status.
cairo_status_t draw_scaled(cairo_t* cairo, const gallery::Shapes& page, const gallery::Colours& colours,
                           const Placement& at)
{
    const cairo_rectangle_t extents{0, 0, static_cast<double>(page.width), static_cast<double>(page.height)};
    cairo_surface_t* recording = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
    cairo_t* recorder = cairo_create(recording);
    cairo_set_font_face(recorder, cairo_get_font_face(cairo));
    draw(recorder, page, colours);
    const cairo_status_t status = cairo_status(recorder);
    cairo_destroy(recorder);
    cairo_save(cairo);
    cairo_translate(cairo, at.left, at.top);
    cairo_scale(cairo, at.scale, at.scale);
    cairo_set_source_surface(cairo, recording, 0, 0);
    cairo_paint(cairo);
    cairo_restore(cairo);
    cairo_surface_destroy(recording);
    return status;
}

// "page 3 of 20", centred under the page placed at `at`.
void draw_number(cairo_t* cairo, const Placement& at, double page_height, std::size_t number, std::size_t pages)
{
    const std::string text = "page " + std::to_string(number) + " of " + std::to_string(pages);
    cairo_set_font_size(cairo, number_size);
    cairo_text_extents_t extents;
    cairo_text_extents(cairo, text.c_str(), &extents);
    cairo_move_to(cairo, (at.sheet_width - extents.x_advance) / 2,
                  at.top + at.scale * page_height + 1.5 * number_size);
    cairo_show_text(cairo, text.c_str());
}

}  // namespace

std::string pdf_bytes(const std::vector<gallery::Shapes>& pages, const gallery::Colours& colours,
                      const std::string& font_bytes, const PdfSettings& settings, std::string& error)
{
    cairo_font_face_t* face = font_face(font_bytes, error);
    if (!face)
        return {};
    std::string bytes;
    const Placement first = place(pages.front(), settings.paper, settings.poster);
    cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(append, &bytes, first.sheet_width, first.sheet_height);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, settings.title.c_str());
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, settings.creator.c_str());
    cairo_t* cairo = cairo_create(surface);
    cairo_set_font_face(cairo, face);
    cairo_font_face_destroy(face);  // the context holds it now
    cairo_status_t status = CAIRO_STATUS_SUCCESS;
    for (std::size_t index = 0; index < pages.size() && status == CAIRO_STATUS_SUCCESS; ++index) {
        const Placement at = place(pages[index], settings.paper, settings.poster);
        cairo_pdf_surface_set_size(surface, at.sheet_width, at.sheet_height);
        if (settings.paper)
            status = draw_scaled(cairo, pages[index], colours, at);
        else
            draw(cairo, pages[index], colours);
        if (settings.paper && !settings.poster) {
            set_colour(cairo, colours.text);
            draw_number(cairo, at, pages[index].height, index + 1, pages.size());
        }
        cairo_show_page(cairo);
    }
    if (status == CAIRO_STATUS_SUCCESS)
        status = cairo_status(cairo);
    cairo_destroy(cairo);
    cairo_surface_finish(surface);
    if (status == CAIRO_STATUS_SUCCESS)
        status = cairo_surface_status(surface);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = std::string("cairo: ") + cairo_status_to_string(status);
        return {};
    }
    return bytes;
}

bool legible_poster(const gallery::Shapes& sheet, const Paper& paper)
{
    const double scale = place(sheet, paper, true).scale;
    return scale * gallery::stroke_width >= thinnest_stroke && scale * sheet.text_size >= smallest_type;
}

}  // namespace app
