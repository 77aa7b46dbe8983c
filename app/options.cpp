#include "options.h"

#include <getopt.h>
#include <strings.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "gallery/layout.h"
#include "listing.h"
#include "ranges/pairs.h"

namespace app {

namespace {

const char* const usage[] = {
    "usage: mountain-ranges [--length L] [--group-by G] [--font PATH]\n"
    "                       [--browse | --list | --count] [--value V]\n"
    "Shows every mountain range of length L in an 800 x 600 window, grouped by\n"
    "number of mountains or as G says, a page per key press; a key on the last\n"
    "page ends it.\n"
    "The title and the captions use the TrueType font given with --font, else\n"
    "\"times.ttf\" from the working directory, else the one beside the program,\n"
    "else the one installed with it.\n"
    "\n"
    "  --length L    the length of the ranges: an even number from 2 to 16\n"
    "                (default 16, 20 pages by mountains, 14 by peaks, 13 by height\n"
    "                and 16 by area, bounce or dinv), up to 64 with --list or\n"
    "                --count (--list by dinv up to 32)\n"
    "  --group-by G  mountains (the default), peaks (an up-stroke followed directly\n"
    "                by a down-stroke), height (the highest level reached), area\n"
    "                (the levels at which the up-strokes start, summed), bounce\n"
    "                (x(n) + x(x(n)) + ... until 0, x(k) being the down-strokes\n"
    "                before the k-th of the n up-strokes) or dinv (the pairs of\n"
    "                up-strokes that start at one level, or the earlier one a level\n"
    "                higher): the groups, from the flattest ranges to the tallest;\n"
    "                with --count also two of them, as A,B\n"
    "  --font PATH   the TrueType font for the title and the captions\n"
    "  --browse      turn the pages with these keys instead; other keys do nothing:\n"
    "                next page       Right, Down, Page Down, space, Return, Enter\n"
    "                page before     Left, Up, Page Up, BackSpace\n"
    "                first, last     Home, End\n"
    "                quit            q, Escape, closing the window\n"
    "  --list        print the ranges instead of showing them, one a line: the\n"
    "                group's value and the range as a word of U (up) and D (down)\n"
    "  --count       print the number of ranges in each group instead, one a line:\n"
    "                the group's value and the count; by A,B a line \"a b count\"\n"
    "                for each pair of values that ranges have, up to length 32, and\n"
    "                to 64 for area with bounce or dinv (the q,t-Catalan numbers)\n"
    "  --value V     with --list or --count, only the group whose value is V; by\n"
    "                A,B, as a,b\n"
    "  --help        print this help and exit\n"
    "  --version     print the version and exit\n",

    "usage: mountain-ranges-export [--length L] [--group-by G] [--font PATH]\n"
    "                              [--format FORMAT] [--paper NAME] [--poster]\n"
    "                              [OUTPUT_DIR]\n"
    "Draws the pages of the mountain range gallery without a window and writes\n"
    "them into OUTPUT_DIR (default: the current folder, made if missing) in\n"
    "FORMAT: for length 16, 20 pages by mountains, 14 by peaks, 13 by height and\n"
    "16 by area, bounce or dinv. The files of that format that it wrote in an\n"
    "earlier export and that this one does not hold (pages beyond its last, a\n"
    "TikZ document of other pages) are removed; it replaces or removes no file\n"
    "that does not bear its mark or that was changed since. The title and the\n"
    "captions use the TrueType font given with --font, else \"times.ttf\" from\n"
    "the working directory, else the one beside the program, else the one\n"
    "installed with it.\n"
    "\n"
    "  --length L      the length of the ranges: an even number from 2 to 16 (default 16),\n"
    "                  or to 20 with --poster\n"
    "  --group-by G    mountains (the default), peaks, height, area, bounce or dinv: the groups\n"
    "                  of the pages\n"
    "  --font PATH     the TrueType font for the title and the captions\n"
    "  --format FORMAT one of\n"
    "%s"
    "  --paper NAME    with --format pdf, each page on a landscape sheet of paper NAME,\n"
    "                  inside margins of 10 mm, with its number: a4, letter, any other\n"
    "                  paper that libpaper knows (paperconf -a), or system, the default\n"
    "  --poster        with --format %s, every range of the length on one sheet\n"
    "                  instead of pages, grouped as they are, for lengths 2 to 20:\n"
    "                  mountain-ranges-16-by-mountains-poster.pdf; with --paper, the\n"
    "                  sheet upright on that paper, inside margins of 10 mm\n"
    "  --help          print this help and exit\n"
    "  --version       print the version and exit\n",
};

const char* const names[] = {"mountain-ranges", "mountain-ranges-export"};

enum Key {
    length_key = 'L',
    list_key = 'l',
    count_key = 'c',
    browse_key = 'b',
    group_key = 'g',
    value_key = 'v',
    font_key = 'f',
    format_key = 'F',
    paper_key = 'p',
    poster_key = 'P',
    help_key = 'h',
    version_key = 'V',
};

// Both programs share the table; an option the other program takes is
// refused with that program's name.
const option table[] = {
    {"length", required_argument, nullptr, length_key}, {"list", no_argument, nullptr, list_key},
    {"count", no_argument, nullptr, count_key},         {"group-by", required_argument, nullptr, group_key},
    {"font", required_argument, nullptr, font_key},     {"format", required_argument, nullptr, format_key},
    {"help", no_argument, nullptr, help_key},           {"version", no_argument, nullptr, version_key},
    {"value", required_argument, nullptr, value_key},   {"browse", no_argument, nullptr, browse_key},
    {"paper", required_argument, nullptr, paper_key},   {"poster", no_argument, nullptr, poster_key},
    {nullptr, 0, nullptr, 0},
};

bool takes(Program program, int key)
{
    if (key == list_key || key == count_key || key == value_key || key == browse_key)
        return program == Program::window;
    return (key != format_key && key != paper_key && key != poster_key) || program == Program::exporter;
}

// Why the option `key` is refused: the other program takes it. Named as the
// table spells it, not as typed (--format=svg, --form svg).
std::string belongs_elsewhere(Program program, int key)
{
    const option* found = std::find_if(std::begin(table), std::end(table), [key](const option& o) { return o.val == key; });
    return std::string("--") + found->name + " is an option of " + names[program == Program::window ? 1 : 0];
}

const char* name_of(const ranges::GroupingInfo& grouping)
{
    return grouping.name;
}

const char* name_of(const FormatChoice& format)
{
    return format.name;
}

const char* name_of(const std::string& name)
{
    return name.c_str();
}

// "a, b or c".
template <typename Names>
std::string either(const Names& names)
{
    std::string text;
    for (const auto& name : names)
        text += std::string(text.empty() ? "" : &name == &names.back() ? " or " : ", ") + name_of(name);
    return text;
}

// The names of the groupings that `keep` accepts, as "a, b or c".
template <typename Keep>
std::string names_of(Keep keep)
{
    std::vector<ranges::GroupingInfo> kept;
    std::copy_if(ranges::groupings.begin(), ranges::groupings.end(), std::back_inserter(kept), keep);
    return either(kept);
}

// What the option `key` takes as its value, for the line that refuses one.
std::string value_wanted(Program program, int key, const std::vector<FormatChoice>& formats,
                         const std::vector<std::string>& papers)
{
    switch (key) {
    case length_key:
        return "--length takes an even number from 2 to " +
               (program == Program::window ? std::to_string(ranges::max_code_length)
                                           : std::to_string(gallery::longest_length) + ", or to " +
                                                 std::to_string(gallery::longest_poster_length) + " with --poster");
    case font_key: return "--font takes the path of a TrueType font";
    case value_key: return "--value takes the value of a group, in digits, or two as a,b";
    case group_key:
        return "--group-by takes " + either(ranges::groupings) +
               (program == Program::window ? ", or two of them as A,B with --count" : "");
    case paper_key: return "--paper takes " + either(papers);
    default: return "--format takes " + either(formats);
    }
}

// The option that getopt_long refused with '?': an unknown or ambiguous long
// option, a value given to one that takes none, or an unknown short option,
// each named as typed. In a cluster such as -xy, getopt_long stays on the
// element it is in, so argv[optind - 1] is only the option's own when it
// starts with "--".
std::string unknown_option(Program program, char** argv)
{
    const std::string typed = argv[optind - 1];
    if (optopt != 0 && typed.rfind("--", 0) == 0 && typed.find('=') != std::string::npos) {
        const option* found = std::find_if(std::begin(table), std::end(table), [](const option& o) { return o.val == optopt; });
        if (found != std::end(table) && typed.compare(2, typed.find('=') - 2, found->name, 0, typed.find('=') - 2) == 0)
            return takes(program, optopt) ? std::string("option --") + found->name + " takes no value"
                                          : belongs_elsewhere(program, optopt);
    }
    if (optopt != 0)
        return std::string("unknown option -") + static_cast<char>(optopt);
    const std::string name = typed.substr(2, typed.find('=') - 2);
    std::string matches;
    for (const option& o : table)
        if (o.name && std::strncmp(o.name, name.c_str(), name.size()) == 0)
            matches += std::string(matches.empty() ? "" : ", ") + "--" + o.name;
    if (matches.find(',') != std::string::npos)
        return "option --" + name + " is ambiguous (" + matches + ")";
    return "unknown option " + typed;
}

// The length that `text` names: an even number in plain decimal digits (no
// sign, space or exponent, nothing strtol would quietly stop at); 0 otherwise.
int parse_length(const char* text)
{
    const std::size_t digits = std::strspn(text, "0123456789");
    if (digits == 0 || digits > 2 || text[digits] != '\0')
        return 0;
    const int length = std::atoi(text);
    return length >= 2 && length <= ranges::max_code_length && length % 2 == 0 ? length : 0;
}

std::optional<ranges::Grouping> grouping_named(const std::string& name)
{
    const auto found = std::find_if(ranges::groupings.begin(), ranges::groupings.end(),
                                    [&name](const ranges::GroupingInfo& g) { return name == g.name; });
    if (found == ranges::groupings.end())
        return std::nullopt;
    return static_cast<ranges::Grouping>(found - ranges::groupings.begin());
}

// The values' bounds at `length` by `grouping`, as a refusal words them.
std::string bounds(ranges::Grouping grouping, int length)
{
    const ranges::GroupingInfo& g = ranges::grouping_info(grouping);
    return std::to_string(g.lowest) + " to " + std::to_string(g.highest(length / 2)) + " by " + g.name;
}

bool within(ranges::Grouping grouping, int length, int value)
{
    const ranges::GroupingInfo& g = ranges::grouping_info(grouping);
    return value >= g.lowest && value <= g.highest(length / 2);
}

// Those of `formats` that the option whose flag is `takes` goes with.
std::vector<FormatChoice> formats_taking(const std::vector<FormatChoice>& formats, bool FormatChoice::*takes)
{
    std::vector<FormatChoice> taking;
    std::copy_if(formats.begin(), formats.end(), std::back_inserter(taking),
                 [takes](const FormatChoice& format) { return format.*takes; });
    return taking;
}

// The usage of `program`, with a line for each of `formats`, and the
// formats that make a poster.
std::string help_text(Program program, const std::vector<FormatChoice>& formats)
{
    std::string text = usage[static_cast<int>(program)];
    std::string lines;
    for (const FormatChoice& format : formats) {
        char line[128];
        std::snprintf(line, sizeof line, "                    %-5s %s\n", format.name, format.help);
        lines += line;
    }
    for (const std::string& fill : {lines, either(formats_taking(formats, &FormatChoice::poster))})
        if (const std::size_t at = text.find("%s"); at != std::string::npos)
            text.replace(at, 2, fill);
    return text;
}

// The line that refuses `option` with the chosen format when it goes only
// with those of `formats` whose flag `takes` is set; "" when it goes with it.
std::string format_refusal(const char* option, const Options& options, const std::vector<FormatChoice>& formats,
                           bool FormatChoice::*takes)
{
    const std::vector<FormatChoice> taking = formats_taking(formats, takes);
    if (std::any_of(taking.begin(), taking.end(),
                    [&](const FormatChoice& format) { return options.format == format.name; }))
        return "";
    return std::string(option) + " goes with --format " + either(taking) + ", not " + options.format;
}

int refuse_value(Program program, int key, const char* value, const std::vector<FormatChoice>& formats = {},
                 const std::vector<std::string>& papers = {})
{
    return refuse(program, value_wanted(program, key, formats, papers) + ", not \"" + value + "\"");
}

}  // namespace

int refuse(Program program, const std::string& message)
{
    std::fprintf(stderr, "%s: %s (see --help)\n", names[static_cast<int>(program)], message.c_str());
    return exit_usage;
}

int parse_options(Program program, int argc, char** argv, Options& options, const std::vector<FormatChoice>& formats,
                  const std::vector<std::string>& papers)
{
    opterr = 0;  // the messages are ours, one line each
    if (!formats.empty())
        options.format = formats.front().name;
    const char* value_text = nullptr;
    optind = 1;
    for (int key; (key = getopt_long(argc, argv, ":h", table, nullptr)) != -1;) {
        if (const int asked = key == ':' ? optopt : key; key != '?' && !takes(program, asked))
            return refuse(program, belongs_elsewhere(program, asked));
        if (key == ':')
            return refuse(program, value_wanted(program, optopt, formats, papers));
        if (key == '?')
            return refuse(program, unknown_option(program, argv));
        switch (key) {
        case length_key:
            options.length = parse_length(optarg);
            if (options.length == 0)
                return refuse_value(program, key, optarg);
            break;
        case list_key: options.list = true; break;
        case browse_key: options.browse = true; break;
        case count_key: options.count = true; break;
        case group_key: {
            const std::string text = optarg;
            const std::size_t comma = text.find(',');
            const bool two = comma != std::string::npos;
            const auto first = grouping_named(text.substr(0, comma));
            const auto second = two ? grouping_named(text.substr(comma + 1)) : std::nullopt;
            if (!first || (two && !second))
                return refuse_value(program, key, optarg);
            if (second && program == Program::exporter)
                return refuse(program, std::string("--group-by takes one grouping, not \"") + optarg +
                                           "\"; mountain-ranges --count takes two");
            if (second == first)
                return refuse(program, std::string("--group-by takes two different groupings, not \"") + optarg + "\"");
            options.grouping = *first;
            options.second = second;
            break;
        }
        case value_key: {
            // Digits only, as for --length, once or twice with a comma
            // between; the groups' bounds are known once every option is read.
            const char* digits = "0123456789";
            const std::size_t first = std::strspn(optarg, digits);
            const char* rest = optarg + first;
            const bool two = *rest == ',' && std::strspn(rest + 1, digits) > 0;
            if (first == 0 || (two ? rest[1 + std::strspn(rest + 1, digits)] : *rest) != '\0')
                return refuse_value(program, key, optarg);
            const auto number = [](const char* text) {
                return static_cast<int>(std::min(std::strtol(text, nullptr, 10), long{INT_MAX}));
            };
            options.value = number(optarg);
            options.second_value = two ? std::optional<int>(number(rest + 1)) : std::nullopt;
            value_text = optarg;
            break;
        }
        case font_key:
            if (*optarg == '\0')
                return refuse(program, value_wanted(program, key, formats, papers));
            options.font = optarg;
            break;
        case format_key:
            if (std::none_of(formats.begin(), formats.end(),
                             [](const FormatChoice& format) { return std::strcmp(optarg, format.name) == 0; }))
                return refuse_value(program, key, optarg, formats);
            options.format = optarg;
            break;
        case poster_key: options.poster = true; break;
        case paper_key:
            if (std::none_of(papers.begin(), papers.end(),
                             [](const std::string& paper) { return strcasecmp(optarg, paper.c_str()) == 0; }))
                return refuse_value(program, key, optarg, formats, papers);
            options.paper = optarg;
            break;
        case help_key:
            std::fputs(help_text(program, formats).c_str(), stdout);
            return finish_output(names[static_cast<int>(program)]);
        default:
            std::printf("%s %s\n", names[static_cast<int>(program)], MOUNTAIN_RANGES_VERSION);
            return finish_output(names[static_cast<int>(program)]);
        }
    }
    if (options.list && options.count)
        return refuse(program, "--list and --count cannot go together");
    if (options.browse && (options.list || options.count))
        return refuse(program, "--browse cannot go with --list or --count");
    if (options.poster && options.length > gallery::longest_poster_length)
        return refuse(program, "--poster holds lengths 2 to " + std::to_string(gallery::longest_poster_length) +
                                   ", not " + std::to_string(options.length));
    if (options.length > gallery::longest_length && !options.list && !options.count && !options.poster)
        return refuse(program, "pages are drawn for lengths 2 to " + std::to_string(gallery::longest_length) +
                                   (program == Program::window
                                        ? "; "
                                        : " and --poster for 2 to " + std::to_string(gallery::longest_poster_length) +
                                              "; mountain-ranges ") +
                                   "--list and --count take up to " + std::to_string(ranges::max_code_length));
    if (options.value && !options.list && !options.count)
        return refuse(program, "--value goes with --list or --count");
    if (const std::string refusal = format_refusal("--paper", options, formats, &FormatChoice::on_paper);
        !options.paper.empty() && !refusal.empty())
        return refuse(program, refusal);
    if (const std::string refusal = format_refusal("--poster", options, formats, &FormatChoice::poster);
        options.poster && !refusal.empty())
        return refuse(program, refusal);
    if (options.second && !options.count)
        return refuse(program, "--group-by with two groupings goes with --count");
    if (options.value && options.second_value.has_value() != options.second.has_value())
        return refuse(program, std::string("--value takes ") + (options.second ? "two values as a,b" : "one value") +
                                   " with " + (options.second ? "two groupings" : "one grouping") + ", not \"" +
                                   value_text + "\"");
    if (options.value && (!within(options.grouping, options.length, *options.value) ||
                          (options.second && !within(*options.second, options.length, *options.second_value))))
        return refuse(program, "--value takes " + bounds(options.grouping, options.length) +
                                   (options.second ? " and " + bounds(*options.second, options.length) : "") +
                                   " at length " + std::to_string(options.length) + ", not \"" + value_text + "\"");
    if (options.second && options.length / 2 > ranges::longest_pair_half_length(options.grouping, *options.second)) {
        const auto qt = [](const ranges::GroupingInfo& g) { return g.qt_with_area; };
        return refuse(program, std::string("--count by ") + ranges::grouping_info(options.grouping).name + "," +
                                   ranges::grouping_info(*options.second).name + " takes lengths 2 to " +
                                   std::to_string(2 * ranges::longest_streamed_pair_half_length) + "; area with " +
                                   names_of(qt) + " goes up to " + std::to_string(ranges::max_code_length));
    }
    if (const ranges::GroupingInfo& g = ranges::grouping_info(options.grouping);
        options.list && g.walk == ranges::Walk::whole && options.length > longest_whole_listing)
        return refuse(program, std::string("--list by ") + g.name + " takes lengths 2 to " +
                                   std::to_string(longest_whole_listing) +
                                   ", as it sorts every range through a temporary file");
    const int operands = argc - optind;
    if (program == Program::window && operands > 0)
        return refuse(program, std::string("unexpected argument \"") + argv[optind] + "\"");
    if (program == Program::exporter && operands > 1)
        return refuse(program, "more than one output folder given");
    if (operands == 1) {
        if (*argv[optind] == '\0')
            return refuse(program, "the output folder is an empty string");
        options.folder = argv[optind];
    }
    return -1;
}

int finish_output(const char* program, std::FILE* out)
{
    if (std::fflush(out) == 0 && std::ferror(out) == 0)
        return 0;
    std::fprintf(stderr, "%s: cannot write to standard output: %s\n", program, std::strerror(errno));
    return 1;
}

}  // namespace app
