// The gallery's groups of ranges, where the title and every caption and range
// go, and where its pages break: plain arithmetic, with no window involved.
#pragma once

#include <vector>

#include "ranges/groups.h"
#include "ranges/ranges.h"

namespace gallery {

constexpr int longest_length = 16;  // pages of longer ranges would run to hundreds

// One group: its value in the grouping and its ranges in the order shown.
struct Group {
    int value;
    std::vector<ranges::Code> codes;
};

// The ranges of one length in the groups of one grouping, in the order shown.
struct Gallery {
    int length;
    ranges::Grouping grouping;
    std::vector<Group> groups;
};

// All ranges of `length` strokes (an even number from 2 to longest_length) in
// the groups of `grouping`, flattest first. By mountains, a group holds its
// row of the staged enumeration; by peaks or height, the ranges keep the
// order they have in the gallery by mountains.
Gallery make_gallery(int length, ranges::Grouping grouping);

// One thing to draw: the title or a group's caption with its top left corner
// at (x, y), or range `index` of the group starting at (x, y) on its ground line.
struct Item {
    enum class Kind { title, caption, range };
    Kind kind;
    int group;  // the group's place in the gallery; 0 for the title
    int index;  // the range's place in its group; 0 for a text
    int x;
    int y;
};

// The items of one page, in the order they are drawn.
using Page = std::vector<Item>;

// Lays out the groups of `gallery` in turn, each opened by its caption, its
// ranges seven to a row, breaking the page whenever a row would pass the page
// bottom. The first page opens with the title; no page is empty.
std::vector<Page> lay_out_gallery(const Gallery& gallery);

}  // namespace gallery
