// The font module on the real font and on files that are no usable font.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/font.h"

namespace {

TEST(Font, RendersEachGallerysTextsInTheirOrderAsLinesOfText)
{
    // Point size 20 in a Times-like face: lines some 22 pixels high, each
    // character (a space too) under the 12 pixels that the layout's test
    // allows it, and 28 to 54 pixels of ink for each other character.
    for (std::size_t grouping = 0; grouping < ranges::groupings.size(); ++grouping) {
        const std::vector<std::string> strings = gallery::make_gallery(16, ranges::Grouping(grouping)).texts;
        gallery::TextImages texts;
        std::string error;
        ASSERT_TRUE(app::render_texts(MR_TEST_FONT, strings, texts, error)) << error;
        ASSERT_EQ(texts.images.size(), strings.size());
        for (std::size_t i = 0; i < strings.size(); ++i) {
            const gallery::TextImage& image = texts.images[i];
            const auto letters = std::count_if(strings[i].begin(), strings[i].end(), [](char c) { return c != ' '; });
            const auto ink = std::count(image.ink.begin(), image.ink.end(), 1);
            EXPECT_TRUE(ink >= 15 * letters && ink <= 100 * letters && image.width <= 12 * int(strings[i].size()))
                << strings[i] << ": " << ink << " pixels of ink, " << image.width << " wide";
            EXPECT_TRUE(image.height == texts.images[0].height && image.height >= 20 && image.height <= 30);
        }
    }
}

TEST(Font, FailuresNameTheFileAndTheCause)
{
    const std::string dir = std::filesystem::temp_directory_path() / ("mr-font-" + std::to_string(getpid()));
    std::filesystem::create_directory(dir);
    std::stringstream font;
    font << std::ifstream(MR_TEST_FONT, std::ios::binary).rdbuf();
    const std::string bytes = font.str();
    std::ofstream(dir + "/empty.ttf").close();
    std::ofstream(dir + "/noise.ttf") << std::string(4096, 'Z');
    std::ofstream(dir + "/half.ttf", std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    std::ofstream(dir + "/locked.ttf") << bytes;
    chmod((dir + "/locked.ttf").c_str(), 0);
    ASSERT_EQ(mkfifo((dir + "/pipe.ttf").c_str(), 0600), 0);
    std::vector<std::pair<std::string, const char*>> cases = {
        {dir + "/missing.ttf", "No such file"},     {dir, "is a directory"},
        {dir + "/empty.ttf", "not a TrueType font"}, {dir + "/noise.ttf", "not a TrueType font"},
        {dir + "/half.ttf", "damaged"},              {dir + "/pipe.ttf", "not a regular file"}};
    if (geteuid() != 0)  // root reads the file whatever its mode
        cases.emplace_back(dir + "/locked.ttf", "Permission denied");
    for (const auto& [path, says] : cases) {
        gallery::TextImages texts;
        std::string error;
        EXPECT_FALSE(app::render_texts(path, {" MOUNTAIN RANGES WITH LENGTH 16"}, texts, error)) << path;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(says), std::string::npos) << error;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
