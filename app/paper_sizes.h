// Sheets of paper by name, as libpaper knows them: a4, letter and the other
// common sizes, and the user's own default.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace app {

// The name --paper takes for the user's default paper (PAPERSIZE, /etc/papersize).
constexpr const char* system_paper = "system";

// A sheet upright, in PDF points.
struct Paper {
    double width;
    double height;
};

// system_paper, then every paper libpaper knows, in its order.
std::vector<std::string> paper_names();

// The paper that libpaper calls `name` (in any case), or system_paper's; none
// when there is no such paper.
std::optional<Paper> find_paper(const std::string& name);

// The name of the smallest paper by area, the first of equals in libpaper's
// order, of those libpaper knows that `fits` takes; "" when it takes none.
std::string smallest_paper(const std::function<bool(const Paper&)>& fits);

}  // namespace app
