#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "app/display.h"
#include "app/gallery.h"
#include "ranges/ranges.h"

namespace {

using SurfacePtr = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

constexpr Uint32 white = 0xFFFFFF;
constexpr Uint32 blue = 0x0000FF;
constexpr Uint32 black = 0x000000;

SurfacePtr window_like_surface()
{
    return {SDL_CreateRGBSurface(SDL_SWSURFACE, 800, 600, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0),
            &SDL_FreeSurface};
}

Uint32 pixel(SDL_Surface* s, int x, int y)
{
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x] & 0xFFFFFF;
}

struct Box {
    int left = 800, top = 600, right = -1, bottom = -1;
    bool empty() const { return right < 0; }
};

// Bounding box of the pixels of `colour` inside the given rectangle.
Box box_of(SDL_Surface* s, Uint32 colour, int x0 = 0, int y0 = 0, int x1 = 800, int y1 = 600)
{
    Box box;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (pixel(s, x, y) == colour) {
                box.left = std::min(box.left, x);
                box.right = std::max(box.right, x);
                box.top = std::min(box.top, y);
                box.bottom = std::max(box.bottom, y);
            }
    return box;
}

class Gallery : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_EQ(TTF_Init(), 0);
        std::string error;
        font = app::open_font(MR_TEST_FONT, error);
        ASSERT_NE(font, nullptr) << error;
        tables = new ranges::RangeTables(ranges::enumerate_ranges());
    }
    static void TearDownTestSuite()
    {
        TTF_CloseFont(font);
        TTF_Quit();
        delete tables;
    }

    // Renders every page as the program does, keeping a copy of each.
    std::vector<SurfacePtr> render_all(SDL_Surface* surface)
    {
        std::vector<SurfacePtr> pages;
        const app::Display display = app::make_display(surface, font);
        const auto keep = [&] {
            pages.emplace_back(SDL_ConvertSurface(surface, surface->format, SDL_SWSURFACE), &SDL_FreeSurface);
        };
        app::clear(display);
        app::draw_title(display);
        const int count = gallery::show_gallery(display, *tables, [&](int page) {
            EXPECT_EQ(page, static_cast<int>(pages.size()) + 1);
            keep();
        });
        keep();
        EXPECT_EQ(count, 20);
        return pages;
    }

    static TTF_Font* font;
    static ranges::RangeTables* tables;
};

TTF_Font* Gallery::font = nullptr;
ranges::RangeTables* Gallery::tables = nullptr;

TEST_F(Gallery, PagesHoldOnlyTheirOwnPixelsInThreeColours)
{
    const SurfacePtr surface = window_like_surface();
    const std::vector<SurfacePtr> pages = render_all(surface.get());
    ASSERT_EQ(pages.size(), 20U);
    const std::vector<gallery::Page> layout = gallery::lay_out_gallery(tables->range_count);

    for (std::size_t p = 0; p < pages.size(); ++p) {
        SDL_Surface* page = pages[p].get();
        for (int y = 0; y < 600; ++y)
            for (int x = 0; x < 800; ++x) {
                const Uint32 c = pixel(page, x, y);
                ASSERT_TRUE(c == white || c == blue || c == black)
                    << "page " << p + 1 << " (" << x << ", " << y << ") " << std::hex << c;
            }
        // Drawn alone on a fresh surface, the page must look the same: nothing
        // of the page before it survives the clear.
        const SurfacePtr alone = window_like_surface();
        const app::Display display = app::make_display(alone.get(), font);
        app::clear(display);
        if (p == 0)
            app::draw_title(display);
        gallery::draw_page(display, *tables, layout[p]);
        ASSERT_EQ(std::memcmp(alone->pixels, page->pixels, 600 * 3200), 0) << "page " << p + 1;
    }
}

TEST_F(Gallery, TitleAndCaptionsSitWhereTheyBelong)
{
    const SurfacePtr surface = window_like_surface();
    const std::vector<SurfacePtr> pages = render_all(surface.get());

    // Title on page 1 only, in the band at the top left.
    const Box title = box_of(pages[0].get(), black, 0, 0, 800, 40);
    ASSERT_FALSE(title.empty());
    EXPECT_GE(title.left, 10);
    EXPECT_LE(title.right, 420);
    EXPECT_GE(title.top, 5);
    EXPECT_LE(title.bottom, 30);
    for (std::size_t p = 1; p < pages.size(); ++p)
        EXPECT_TRUE(box_of(pages[p].get(), black, 0, 0, 800, 40).empty())
            << "title again on page " << p + 1;

    struct Caption {
        int page, y;
    };
    const Caption captions[] = {{1, 54}, {1, 119}, {1, 232}, {1, 441}, {2, 454}, {5, 67}, {9, 64}, {14, 445}};
    for (const Caption& c : captions) {
        // The caption's text lies in a line of text height below its y, and
        // the rest of the caption line holds no black at all.
        const Box text = box_of(pages[c.page - 1].get(), black, 0, c.y, 800, c.y + 24);
        ASSERT_FALSE(text.empty()) << "caption at y " << c.y;
        EXPECT_GE(text.left, 10);
        EXPECT_LE(text.right, 200);
        EXPECT_GE(text.top, c.y);
    }
    // Pages without a caption have no black at all.
    for (int p : {3, 4, 6, 7, 8, 10, 11, 12, 13, 15, 16, 17, 18, 19, 20})
        EXPECT_TRUE(box_of(pages[p - 1].get(), black).empty()) << "page " << p;
}

TEST_F(Gallery, PaddedSurfaceGetsTheSamePages)
{
    constexpr int pitch = 3300;
    std::vector<Uint8> memory(600 * pitch, 0xAB);
    SurfacePtr padded(SDL_CreateRGBSurfaceFrom(memory.data(), 800, 600, 32, pitch, 0xFF0000, 0x00FF00,
                                               0x0000FF, 0),
                      &SDL_FreeSurface);
    const SurfacePtr plain = window_like_surface();
    const std::vector<SurfacePtr> a = render_all(padded.get());
    const std::vector<SurfacePtr> b = render_all(plain.get());
    for (std::size_t p = 0; p < a.size(); ++p)
        for (int y = 0; y < 600; ++y)
            ASSERT_EQ(std::memcmp(static_cast<Uint8*>(a[p]->pixels) + y * a[p]->pitch,
                                  static_cast<Uint8*>(b[p]->pixels) + y * b[p]->pitch, 3200),
                      0)
                << "page " << p + 1 << " row " << y;
    for (int y = 0; y < 600; ++y)
        for (int i = 3200; i < pitch; ++i)
            ASSERT_EQ(memory[y * pitch + i], 0xAB) << "padding of row " << y << " written";
}

TEST(Font, FailuresNameTheirCause)
{
    ASSERT_EQ(TTF_Init(), 0);
    char folder[] = "/tmp/mr-font-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string dir = folder;
    std::ofstream(dir + "/empty.ttf").close();
    {
        std::ofstream noise(dir + "/noise.ttf", std::ios::binary);
        std::mt19937 random(7);
        for (int i = 0; i < 4096; ++i)
            noise.put(static_cast<char>(random()));
    }
    {
        std::ifstream font(MR_TEST_FONT, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(font)), std::istreambuf_iterator<char>());
        std::ofstream(dir + "/half.ttf", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    }
    ASSERT_EQ(mkfifo((dir + "/pipe.ttf").c_str(), 0600), 0);
    struct Case {
        std::string path;
        const char* says;
    };
    const Case cases[] = {{dir + "/missing.ttf", "No such file"},
                          {dir, "is a directory"},
                          {dir + "/empty.ttf", "not a TrueType font"},
                          {dir + "/noise.ttf", "not a TrueType font"},
                          {dir + "/half.ttf", "damaged"},  // opens, but draws blank glyphs
                          {dir + "/pipe.ttf", "not a regular file"}};  // would block in open
    for (const Case& c : cases) {
        std::string error;
        EXPECT_EQ(app::open_font(c.path, error), nullptr) << c.path;
        EXPECT_NE(error.find(c.path), std::string::npos) << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
    std::remove((dir + "/empty.ttf").c_str());
    std::remove((dir + "/noise.ttf").c_str());
    std::remove((dir + "/half.ttf").c_str());
    std::remove((dir + "/pipe.ttf").c_str());
    rmdir(folder);
    TTF_Quit();
}

// SDL's event queue, with the dummy video driver: no window needed.
class Waiting : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(80, 60, 32, SDL_SWSURFACE), nullptr);
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
        }
    }
    void TearDown() override { SDL_Quit(); }

    static void push(Uint8 type)
    {
        SDL_Event event{};
        event.type = type;
        if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
            event.key.type = type;
            event.key.keysym.sym = SDLK_SPACE;
        }
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
    static Uint8 next_type()
    {
        SDL_Event event;
        return SDL_PollEvent(&event) != 0 ? event.type : Uint8{SDL_NOEVENT};
    }
};

TEST_F(Waiting, OnlyAKeyPressOrAQuitEndsTheWait)
{
    for (Uint8 ending : {Uint8{SDL_KEYDOWN}, Uint8{SDL_QUIT}}) {
        push(SDL_MOUSEMOTION);
        push(SDL_MOUSEBUTTONDOWN);
        push(SDL_MOUSEBUTTONUP);
        push(SDL_KEYUP);
        push(SDL_ACTIVEEVENT);
        push(ending);
        push(SDL_KEYDOWN);  // must still be waiting for the next page
        app::wait_for_key_or_quit();
        EXPECT_EQ(next_type(), SDL_KEYDOWN);
        EXPECT_EQ(next_type(), SDL_NOEVENT);
    }
}

}  // namespace
