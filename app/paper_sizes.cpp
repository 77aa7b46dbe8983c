#include "paper_sizes.h"

#include <paper.h>

#include <strings.h>

#include <cstdlib>
#include <memory>

namespace app {

namespace {

// libpaper between paperinit() and paperdone(), for one look-up.
struct Papers {
    Papers() { paperinit(); }
    ~Papers() { paperdone(); }
    Papers(const Papers&) = delete;
    Papers& operator=(const Papers&) = delete;
};

}  // namespace

std::vector<std::string> paper_names()
{
    const Papers papers;
    std::vector<std::string> names{system_paper};
    for (const paper* sheet = paperfirst(); sheet; sheet = papernext(sheet))
        names.emplace_back(papername(sheet));
    return names;
}

std::optional<Paper> find_paper(const std::string& name)
{
    const Papers papers;
    const bool system = strcasecmp(name.c_str(), system_paper) == 0;
    const std::unique_ptr<char, decltype(&std::free)> chosen(system ? systempapername() : nullptr, std::free);
    // Without a choice of the user's, libpaper's own default holds.
    const paper* sheet = paperinfo(!system ? name.c_str() : chosen ? chosen.get() : defaultpapername());
    if (!sheet)
        return std::nullopt;
    return Paper{paperpswidth(sheet), paperpsheight(sheet)};
}

std::string smallest_paper(const std::function<bool(const Paper&)>& fits)
{
    const Papers papers;
    std::string name;
    double smallest = 0;
    for (const paper* sheet = paperfirst(); sheet; sheet = papernext(sheet)) {
        const Paper size{paperpswidth(sheet), paperpsheight(sheet)};
        if ((name.empty() || size.width * size.height < smallest) && fits(size)) {
            name = papername(sheet);
            smallest = size.width * size.height;
        }
    }
    return name;
}

}  // namespace app
