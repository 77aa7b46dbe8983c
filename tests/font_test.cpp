// The font module on the real font and on files that are no usable font.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <fstream>
#include <sstream>

#include "app/font.h"

namespace {

// How many columns of a text image hold ink.
int inked_columns(const gallery::TextImage& image)
{
    std::set<int> columns;
    for (std::size_t i = 0; i < image.ink.size(); ++i)
        if (image.ink[i] != 0)
            columns.insert(int(i) % image.width);
    return int(columns.size());
}

TEST(Font, RendersTheTitleAndTheCaptionsOfEachGroupingAsLinesOfText)
{
    // Point size 20 in a Times-like face: lines some 22 pixels high, the title
    // some 370 pixels wide with its spaces, a caption 60 to 120.
    for (const auto grouping : {ranges::Grouping::mountains, ranges::Grouping::peaks, ranges::Grouping::height}) {
        gallery::TextImages texts;
        std::string error;
        ASSERT_TRUE(app::render_texts(MR_TEST_FONT, 16, grouping, texts, error)) << error;
        EXPECT_EQ(texts.title.text, " MOUNTAIN RANGES WITH LENGTH 16");
        EXPECT_TRUE(inked_columns(texts.title) >= 250 && inked_columns(texts.title) <= 380);
        EXPECT_LE(texts.title.height, 30);
        for (int v = 1; v <= 8; ++v) {
            EXPECT_EQ(texts.captions[v].text, gallery::caption_text(grouping, v));
            const int columns = inked_columns(texts.captions[v]);
            EXPECT_TRUE(columns >= 40 && columns <= 120) << texts.captions[v].text << ": " << columns;
            EXPECT_EQ(texts.captions[v].height, texts.title.height);
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
        EXPECT_FALSE(app::render_texts(path, 16, ranges::Grouping::mountains, texts, error)) << path;
        EXPECT_NE(error.find(path), std::string::npos) << error;
        EXPECT_NE(error.find(says), std::string::npos) << error;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
