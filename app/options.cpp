#include "options.h"

#include <cstdio>

#include "ranges/ranges.h"

namespace app {

bool answered_help_or_version(const std::string& arg, const char* program, const char* usage)
{
    if (arg == "--help" || arg == "-h")
        std::fputs(usage, stdout);
    else if (arg == "--version")
        std::printf("%s %s\n", program, MOUNTAIN_RANGES_VERSION);
    else
        return false;
    return true;
}

int parse_length(const std::string& text, int longest)
{
    // Digits only: no sign, no space, no exponent, and nothing that strtol
    // would quietly stop at.
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const int length = std::stoi(text);
    return length >= 2 && length <= longest && length % 2 == 0 ? length : 0;
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

bool take_length(int argc, char** argv, int& i, int& length, std::string& error, int longest)
{
    std::string value;
    bool missing = false;
    if (!take_option("--length", argc, argv, i, value, missing))
        return false;
    length = missing ? 0 : parse_length(value, longest);
    if (length == 0)
        error = "--length takes an even number from 2 to " + std::to_string(longest) +
                (missing ? "" : ", not \"" + value + "\"");
    return true;
}

int refuse(const char* program, const std::string& message)
{
    std::fprintf(stderr, "%s: %s (see --help)\n", program, message.c_str());
    return exit_usage;
}

}  // namespace app
