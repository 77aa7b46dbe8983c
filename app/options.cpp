#include "options.h"

#include <cstdio>

#include "ranges/ranges.h"

namespace app {

std::string version_line(const char* name)
{
    return std::string(name) + " " + MOUNTAIN_RANGES_VERSION;
}

int parse_length(const std::string& text)
{
    // Digits only: no sign, no space, no exponent, and nothing that strtol
    // would quietly stop at.
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int length = std::stoi(text);
    return length >= 2 && length <= ranges::range_length && length % 2 == 0 ? length : 0;
}

std::string allowed_lengths()
{
    return "an even number from 2 to " + std::to_string(ranges::range_length);
}

bool take_option(const std::string& name, int argc, char** argv, int& i, std::string& value, bool& missing)
{
    const std::string arg = argv[i];
    missing = false;
    if (arg == name) {
        if (i + 1 == argc) {
            missing = true;
            return true;
        }
        value = argv[++i];
        return true;
    }
    if (arg.rfind(name + "=", 0) == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    return false;
}

int refuse(const char* program, const std::string& message)
{
    std::fprintf(stderr, "%s: %s (see --help)\n", program, message.c_str());
    return exit_usage;
}

}  // namespace app
