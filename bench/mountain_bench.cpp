// Costs of enumerating, listing and counting, drawing strokes, ranges and
// pages, and of writing pages as files. The "literal" cases evaluate the
// thick-line algorithm for every stroke; the others take the path the
// program takes.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "app/publish.h"
#include "app/font.h"
#include "app/listing.h"
#include "app/pdf_file.h"
#include "app/png_file.h"
#include "app/paper_sizes.h"
#include "gallery/page.h"
#include "gallery/poster.h"
#include "gallery/shapes.h"
#include "gallery/svg.h"
#include "gallery/tikz.h"
#include "raster/raster.h"
#include "ranges/pairs.h"
#include "ranges/ranges.h"
#include "ranges/stream.h"

namespace {

constexpr std::uint32_t white = 0xFFFFFF;
constexpr std::uint32_t blue = 0x0000FF;

struct Page800 {
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(800 * 600, white);
    raster::Canvas view() { return {pixels.data(), 800, 600, 800 * 4}; }
    void clear() { raster::fill(view(), white); }
};

const gallery::Gallery& the_gallery()
{
    static const gallery::Gallery g = gallery::make_gallery(16, ranges::Grouping::mountains);
    return g;
}

const std::vector<gallery::Page>& pages()
{
    // By mountains the rows have fixed places, whatever the texts' height.
    static const std::vector<gallery::Page> p = gallery::lay_out_gallery(the_gallery(), 0);
    return p;
}

// A range drawn the straightforward way: the thick-line algorithm for each stroke.
void draw_range_literal(const raster::Canvas& canvas, raster::Pen pen, std::uint32_t code)
{
    raster::walk_range(pen, code, 16, [&](const raster::Pen& from, const raster::Pen& to, bool) {
        raster::draw_thick_line(canvas, from.x, from.y, to.x, to.y, raster::stroke_half_width, blue);
    });
}

template <bool literal>
void draw_ranges_of(Page800& page, const gallery::Page& items)
{
    for (const gallery::Item& item : items) {
        if (item.kind != gallery::Item::Kind::range)
            continue;
        const auto code = static_cast<std::uint32_t>(the_gallery().groups[item.group].codes[item.index]);
        raster::Pen pen{item.x, item.y};
        if (literal)
            draw_range_literal(page.view(), pen, code);
        else
            raster::draw_range(page.view(), pen, code, 16, blue);
    }
}

void BM_enumerate_ranges(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ranges::enumerate_ranges(8));
}
BENCHMARK(BM_enumerate_ranges);

// The measure for the listing: the same lines in lexicographic order from a
// plain recursive walk, m counted on the way, through a 64 kB buffer.
char ref_word[64], ref_buffer[1 << 16];
int ref_length, ref_used;
void reference_walk(std::FILE* out, int at, int height, int returns)
{
    if (at == ref_length) {
        if (ref_used > (int)sizeof ref_buffer - 80) {
            std::fwrite(ref_buffer, 1, ref_used, out);
            ref_used = 0;
        }
        if (returns >= 10)
            ref_buffer[ref_used++] = (char)('0' + returns / 10);
        ref_buffer[ref_used++] = (char)('0' + returns % 10);
        ref_buffer[ref_used++] = ' ';
        std::memcpy(ref_buffer + ref_used, ref_word, ref_length);
        ref_used += ref_length;
        ref_buffer[ref_used++] = '\n';
        return;
    }
    if (height > 0) {
        ref_word[at] = 'D';
        reference_walk(out, at + 1, height - 1, returns + (height == 1));
    }
    if (height < ref_length - at - 1) {
        ref_word[at] = 'U';
        reference_walk(out, at + 1, height + 1, returns);
    }
}

std::FILE* dev_null()
{
    static std::FILE* const file = std::fopen("/dev/null", "w");
    return file;
}

// Words per second, and its inverse, the time per word.
void count_words(benchmark::State& state, int length)
{
    std::uint64_t words = 0;
    for (int m = 1; m <= length / 2; ++m)
        words += ranges::count_ranges(length / 2, m);
    const auto per_iteration = static_cast<double>(words);
    state.counters["words"] = benchmark::Counter(per_iteration, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["per_word"] = benchmark::Counter(
        per_iteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_list_reference(benchmark::State& state)
{
    ref_length = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ref_used = 0;
        reference_walk(dev_null(), 0, 0, 0);
        std::fwrite(ref_buffer, 1, ref_used, dev_null());
    }
    count_words(state, ref_length);
}
BENCHMARK(BM_list_reference)->DenseRange(24, 32, 2)->Unit(benchmark::kMillisecond);

void BM_list(benchmark::State& state, ranges::Grouping grouping)
{
    const auto length = static_cast<int>(state.range(0));
    for (auto _ : state)
        if (app::print_listing(length, grouping, dev_null()) != 0)
            state.SkipWithError("cannot write to /dev/null");
    count_words(state, length);
}
BENCHMARK_CAPTURE(BM_list, mountains, ranges::Grouping::mountains)->DenseRange(24, 32, 2)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_list, peaks, ranges::Grouping::peaks)->Arg(28)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_list, height, ranges::Grouping::height)->Arg(28)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_list, area, ranges::Grouping::area)->Arg(28)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_list, bounce, ranges::Grouping::bounce)->Arg(28)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_list, dinv, ranges::Grouping::dinv)->Arg(28)->Arg(32)->Unit(benchmark::kMillisecond);

// The q,t-Catalan numbers at length 64 by their recursion. The counter
// "peak_MB" is the process's peak resident size so far: run the case alone
// (--benchmark_filter=qt_catalan) for the recursion's own.
void BM_qt_catalan(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ranges::qt_catalan(32));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}
BENCHMARK(BM_qt_catalan)->Unit(benchmark::kMillisecond);

// The counts at length 32 by two groupings that are not the q,t pair: every
// range valued twice.
void BM_count_pairs(benchmark::State& state, ranges::Grouping first, ranges::Grouping second)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ranges::count_pairs(16, first, second));
    count_words(state, 32);
}
BENCHMARK_CAPTURE(BM_count_pairs, mountains_peaks, ranges::Grouping::mountains, ranges::Grouping::peaks)
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_count_pairs, height_area, ranges::Grouping::height, ranges::Grouping::area)
    ->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_count_pairs, bounce_dinv, ranges::Grouping::bounce, ranges::Grouping::dinv)
    ->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_mountain_stroke_literal(benchmark::State& state)
{
    Page800 page;
    for (auto _ : state)
        raster::draw_thick_line(page.view(), 343, 300, 349, 294, 1, blue);
}
BENCHMARK(BM_mountain_stroke_literal);

void BM_draw_range(benchmark::State& state)
{
    Page800 page;
    for (auto _ : state) {
        raster::Pen pen{343, 300};
        raster::draw_range(page.view(), pen, 0x2AAB, 16, blue);
    }
}
BENCHMARK(BM_draw_range);

void BM_draw_range_literal(benchmark::State& state)
{
    Page800 page;
    for (auto _ : state)
        draw_range_literal(page.view(), {343, 300}, 0x2AAB);
}
BENCHMARK(BM_draw_range_literal);

template <bool literal>
void BM_full_page(benchmark::State& state)
{
    Page800 page;
    for (auto _ : state) {
        page.clear();
        draw_ranges_of<literal>(page, pages()[2]);  // page 3: 77 ranges
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_full_page<false>)->Name("BM_full_page");
BENCHMARK(BM_full_page<true>)->Name("BM_full_page_literal");

template <bool literal>
void BM_twenty_pages(benchmark::State& state)
{
    Page800 page;
    for (auto _ : state) {
        for (const gallery::Page& items : pages()) {
            page.clear();
            draw_ranges_of<literal>(page, items);
            benchmark::ClobberMemory();
        }
    }
}
BENCHMARK(BM_twenty_pages<false>)->Name("BM_twenty_pages")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_twenty_pages<true>)->Name("BM_twenty_pages_literal")->Unit(benchmark::kMillisecond);

// The title and captions in the program's font; nullptr when it cannot be had.
const gallery::TextImages* rendered_texts()
{
    static const std::unique_ptr<gallery::TextImages> texts = [] {
        auto result = std::make_unique<gallery::TextImages>();
        std::string error;
        if (!app::render_texts(MR_BENCH_FONT, the_gallery().texts, *result, error))
            result.reset();
        return result;
    }();
    return texts.get();
}

// The program's own path: every page drawn whole, texts included.
void BM_twenty_pages_with_texts(benchmark::State& state)
{
    const gallery::TextImages* texts = rendered_texts();
    if (!texts) {
        state.SkipWithError("cannot render the texts with " MR_BENCH_FONT);
        return;
    }
    Page800 page;
    for (auto _ : state) {
        for (const gallery::Page& items : pages()) {
            gallery::draw_page(page.view(), *texts, the_gallery(), items, gallery::page_colours);
            benchmark::ClobberMemory();
        }
    }
}
BENCHMARK(BM_twenty_pages_with_texts)->Unit(benchmark::kMillisecond);

// The exporter's loop: each page drawn in palette indices, texts included,
// and encoded as PNG. The counter "bytes" is what the twenty files hold.
void BM_twenty_pages_png(benchmark::State& state)
{
    const gallery::TextImages* texts = rendered_texts();
    if (!texts) {
        state.SkipWithError("cannot render the texts with " MR_BENCH_FONT);
        return;
    }
    const gallery::Colours& colours = gallery::page_colours;
    Page800 page;
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        std::string error;
        for (const gallery::Page& items : pages()) {
            gallery::draw_page(page.view(), *texts, the_gallery(), items, {0, 1, 2});
            bytes += app::png_bytes(page.view(), {colours.background, colours.stroke, colours.text}, app::page_writer,
                                    error).size();
        }
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_twenty_pages_png)->Unit(benchmark::kMillisecond);

// The twenty pages as vector shapes, as the exporter makes them once for the
// SVG, TikZ and PDF writers.
std::vector<gallery::Shapes> shapes_of(const gallery::TextImages& texts)
{
    std::vector<gallery::Shapes> shapes;
    for (const gallery::Page& items : pages())
        shapes.push_back(gallery::item_shapes(items, the_gallery(), texts));
    return shapes;
}

// The twenty pages as SVG or TikZ documents, shapes made and written; the
// counter "bytes" is what the twenty files hold.
template <bool svg>
void BM_twenty_pages_text(benchmark::State& state)
{
    const gallery::TextImages* texts = rendered_texts();
    if (!texts) {
        state.SkipWithError("cannot render the texts with " MR_BENCH_FONT);
        return;
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (const gallery::Shapes& page : shapes_of(*texts))
            bytes += (svg ? gallery::shapes_svg(page, texts->family, gallery::page_colours, app::page_writer)
                          : gallery::shapes_tikz(page, gallery::page_colours, app::page_writer))
                         .size();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_twenty_pages_text<true>)->Name("BM_twenty_pages_text/svg")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_twenty_pages_text<false>)->Name("BM_twenty_pages_text/tikz")->Unit(benchmark::kMillisecond);

// The twenty pages as one PDF through cairo, the font's subset embedded, on
// sheets of their own size or on `paper` with their numbers; the counter
// "bytes" is the file's size.
void BM_twenty_pages_pdf(benchmark::State& state, const char* paper)
{
    const gallery::TextImages* texts = rendered_texts();
    std::string font;
    std::string error;
    if (!texts || !app::read_font_file(MR_BENCH_FONT, font, error)) {
        state.SkipWithError("cannot render the texts with " MR_BENCH_FONT);
        return;
    }
    const app::PdfSettings settings{"Mountain ranges of length 16 by mountains", app::page_writer,
                                    *paper ? app::find_paper(paper) : std::nullopt};
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = app::pdf_bytes(shapes_of(*texts), gallery::page_colours, font, settings, error).size();
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK_CAPTURE(BM_twenty_pages_pdf, plain, "")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_twenty_pages_pdf, a4, "a4")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_twenty_pages_pdf, letter, "letter")->Unit(benchmark::kMillisecond);

// The poster of every range of one length by mountains, its texts in the
// program's font; the counters give its columns and size in units.
void BM_poster_layout(benchmark::State& state)
{
    const gallery::Gallery g = gallery::make_gallery(static_cast<int>(state.range(0)), ranges::Grouping::mountains);
    gallery::TextImages texts;
    std::string error;
    if (!app::render_texts(MR_BENCH_FONT, g.texts, texts, error)) {
        state.SkipWithError("cannot render the texts with " MR_BENCH_FONT);
        return;
    }
    gallery::Poster poster;
    for (auto _ : state)
        benchmark::DoNotOptimize(poster = gallery::lay_out_poster(g, texts));
    std::set<int> columns;
    for (const gallery::Item& item : poster.items)
        if (item.kind == gallery::Item::Kind::range)
            columns.insert(item.x);
    state.counters["columns"] = static_cast<double>(columns.size());
    state.counters["width"] = poster.width;
    state.counters["height"] = poster.height;
    state.counters["ratio"] = static_cast<double>(poster.height) / poster.width;
}
BENCHMARK(BM_poster_layout)->DenseRange(2, gallery::longest_poster_length, 2)->Unit(benchmark::kMillisecond);

// The poster of every range of the longest length by mountains laid out,
// made into shapes and written as SVG, or as PDF on sheets of its own size or
// on `paper`, as the exporter does. The counters are the file's size and the
// process's peak resident memory: the poster's own when this case runs alone
// (--benchmark_filter).
void BM_poster_file(benchmark::State& state, bool svg, const char* paper)
{
    const gallery::Gallery g = gallery::make_gallery(gallery::longest_poster_length, ranges::Grouping::mountains);
    gallery::TextImages texts;
    std::string font;
    std::string error;
    if (!app::read_font_file(MR_BENCH_FONT, font, error) ||
        !app::render_font_texts(font, MR_BENCH_FONT, g.texts, texts, error)) {
        state.SkipWithError("cannot render the texts with " MR_BENCH_FONT);
        return;
    }
    const app::PdfSettings settings{"Mountain ranges of length 20 by mountains", app::page_writer,
                                    *paper ? app::find_paper(paper) : std::nullopt, true};
    std::size_t bytes = 0;
    for (auto _ : state) {
        const gallery::Poster poster = gallery::lay_out_poster(g, texts);
        const std::vector<gallery::Shapes> sheet{
            gallery::item_shapes(poster.items, g, texts, poster.width, poster.height)};
        bytes = (svg ? gallery::shapes_svg(sheet.front(), texts.family, gallery::page_colours, app::page_writer)
                     : app::pdf_bytes(sheet, gallery::page_colours, font, settings, error))
                    .size();
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["max_rss_kB"] = static_cast<double>(usage.ru_maxrss);
}
BENCHMARK_CAPTURE(BM_poster_file, svg, true, "")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_poster_file, pdf, false, "")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_poster_file, pdf_a0, false, "a0")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
