#include "pdf_file.h"

#include <cstdint>
#include <memory>
#include <new>

#include <cairo-ft.h>
#include <cairo-pdf.h>
#include <cairo.h>

#include "freetype_face.h"

namespace app {

namespace {

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

}  // namespace

std::string pdf_bytes(const std::vector<gallery::Shapes>& pages, const gallery::Colours& colours,
                      const std::string& font_bytes, const std::string& creator, std::string& error)
{
    cairo_font_face_t* face = font_face(font_bytes, error);
    if (!face)
        return {};
    std::string bytes;
    cairo_surface_t* surface =
        cairo_pdf_surface_create_for_stream(append, &bytes, pages.front().width, pages.front().height);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, creator.c_str());
    cairo_t* cairo = cairo_create(surface);
    cairo_set_font_face(cairo, face);
    cairo_font_face_destroy(face);  // the context holds it now
    for (const gallery::Shapes& page : pages) {
        cairo_pdf_surface_set_size(surface, page.width, page.height);
        draw(cairo, page, colours);
        cairo_show_page(cairo);
    }
    cairo_status_t status = cairo_status(cairo);
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

}  // namespace app
