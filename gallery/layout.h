// The gallery's groups of ranges and the texts that name them, where the
// title and every caption and range go, and where its pages break: plain
// arithmetic, with no window involved.
#pragma once

#include <string>
#include <vector>

#include "ranges/groups.h"
#include "ranges/ranges.h"

namespace gallery {

constexpr int longest_length = 16;         // pages of longer ranges would run to hundreds
constexpr int longest_poster_length = 20;  // 16,796 ranges on one sheet
constexpr int page_width = 800;
constexpr int page_height = 600;

// One group: its value in the grouping, its ranges in the order shown, and
// its captions as places in the gallery's texts.
struct Group {
    int value;
    std::vector<ranges::Code> codes;
    int caption;    // over its first range
    int continued;  // over its ranges on a later page; -1 in a grouping that never repeats a caption
};

// The ranges of one length in the groups of one grouping, in the order shown,
// and every text its pages print: the title first, then the captions.
struct Gallery {
    int length;
    ranges::Grouping grouping;
    std::vector<Group> groups;
    std::vector<std::string> texts;
};

// All ranges of `length` strokes (an even number from 2 to
// longest_poster_length) in the groups of `grouping`, flattest first, and
// their texts. By mountains, a group holds its row of the staged enumeration;
// in any other grouping, the ranges keep the order they have in the gallery
// by mountains.
Gallery make_gallery(int length, ranges::Grouping grouping);

// What a window's title bar says over page `page` of `pages` of `gallery`,
// in UTF-8: "Mountain ranges of length 16 by peaks — page 3 of 20".
std::string title_bar(const Gallery& gallery, int page, int pages);

// One thing to draw: a text with its top left corner at (x, y), or range
// `index` of group `group` starting at (x, y) on its ground line.
struct Item {
    enum class Kind { title, caption, range };
    Kind kind;
    int group;  // the group's place in the gallery; 0 for the title
    int index;  // a range's place in its group, or a text's place in the gallery's texts
    int x;
    int y;
};

// The items of one page, in the order they are drawn.
using Page = std::vector<Item>;

// Blank pixels that the layout keeps, in stacked rows, between a text image
// and any stroke, and between the strokes of any two ranges.
constexpr int text_clearance = 2;
constexpr int range_clearance = 8;

// Blank pixels at the edges of a sheet, under the title, and from a group's
// last ground line to the next caption: wider than the clearances, so that
// each group reads as one.
constexpr int margin = 10;
constexpr int title_gap = 12;
constexpr int group_gap = 16;

// Lays out the groups of `gallery` in turn, each opened by its caption, its
// ranges seven to a row; the first page opens with the title, and no page is
// empty. In a grouping with fixed rows (by mountains) the rows lie at fixed
// places and a page breaks after any range whose row would pass the page
// bottom. In any other grouping, a row is as tall as its tallest range and a
// text `text_height` pixels (the tallest text image, which holds all its
// ink); the rows of a group lie range_clearance apart and its caption
// text_clearance above its first row, all inside the page. A page breaks before a row, or a caption with its
// group's first row, that would not fit, and a page that goes on with a group
// opens with the group's continued caption.
std::vector<Page> lay_out_gallery(const Gallery& gallery, int text_height);

}  // namespace gallery
