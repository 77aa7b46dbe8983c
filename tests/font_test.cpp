// The font module on the real font and on files that are no usable font.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#include "app/font.h"

namespace {

// The extent of the ink of a text image: {left, top, right, bottom}.
std::array<int, 4> ink_box(const gallery::TextImage& image)
{
    std::array<int, 4> box = {image.width, image.height, -1, -1};
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.ink[y * image.width + x] != 0)
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
    return box;
}

TEST(Font, RendersTheTitleAndEveryCaptionAsALineOfText)
{
    gallery::TextImages texts;
    std::string error;
    ASSERT_TRUE(app::render_texts(MR_TEST_FONT, 16, ranges::Grouping::mountains, texts, error)) << error;
    // Point size 20 in a Times-like face: a line some 22 pixels high; the
    // title some 370 pixels wide after its leading space, a caption some 120.
    const auto title = ink_box(texts.title);
    EXPECT_GE(title[0], 3);
    EXPECT_LE(title[2], 380);
    EXPECT_GE(title[2] - title[0], 300);
    EXPECT_LE(texts.title.height, 30);
    for (int m = 1; m <= 8; ++m) {
        const auto caption = ink_box(texts.captions[m]);
        EXPECT_GE(caption[0], 6) << m;
        EXPECT_LE(caption[2], 190) << m;
        EXPECT_GE(caption[2] - caption[0], 90) << m;
        EXPECT_EQ(texts.captions[m].height, texts.title.height) << m;
    }
}

TEST(Font, FailuresNameTheirCause)
{
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
        std::ofstream(dir + "/locked.ttf", std::ios::binary) << bytes;
        chmod((dir + "/locked.ttf").c_str(), 0);
    }
    ASSERT_EQ(mkfifo((dir + "/pipe.ttf").c_str(), 0600), 0);
    struct Case {
        std::string path;
        const char* says;
    };
    std::vector<Case> cases = {{dir + "/missing.ttf", "No such file"},
                               {dir, "is a directory"},
                               {dir + "/empty.ttf", "not a TrueType font"},
                               {dir + "/noise.ttf", "not a TrueType font"},
                               {dir + "/half.ttf", "damaged"},             // opens, but draws blank glyphs
                               {dir + "/pipe.ttf", "not a regular file"}};  // would block in open
    if (geteuid() != 0)  // root reads the file whatever its mode
        cases.push_back({dir + "/locked.ttf", "Permission denied"});
    for (const Case& c : cases) {
        gallery::TextImages texts;
        std::string error;
        EXPECT_FALSE(app::render_texts(c.path, 16, ranges::Grouping::mountains, texts, error)) << c.path;
        EXPECT_NE(error.find(c.path), std::string::npos) << error;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
    }
    for (const char* name : {"empty.ttf", "noise.ttf", "half.ttf", "locked.ttf", "pipe.ttf"})
        std::remove((dir + "/" + name).c_str());
    rmdir(folder);
}

}  // namespace
