#include "staged_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace staging {

namespace {

constexpr std::array<int, 3> interrupting_signals = {SIGINT, SIGTERM, SIGHUP};
constexpr int max_staged = 64;
constexpr std::size_t max_path = 4096;

// The signal handler reads these, so they are plain arrays, filled only while
// the interrupting signals are blocked.
struct Staged {
    char temporary[max_path];
    char final[max_path];
};
Staged staged[max_staged];
volatile std::sig_atomic_t staged_count = 0;
bool handlers_installed = false;

void remove_staged_and_die(int signal_number)
{
    for (int i = 0; i < staged_count; ++i)
        unlink(staged[i].temporary);
    std::signal(signal_number, SIG_DFL);
    raise(signal_number);
}

void install_handlers()
{
    if (handlers_installed)
        return;
    handlers_installed = true;
    for (const int number : interrupting_signals) {
        struct sigaction current {};
        sigaction(number, nullptr, &current);
        if (current.sa_handler == SIG_IGN)
            continue;  // started with it ignored (nohup, a background job): keep it so
        struct sigaction action {};
        action.sa_handler = remove_staged_and_die;
        sigemptyset(&action.sa_mask);
        for (const int other : interrupting_signals)
            sigaddset(&action.sa_mask, other);
        sigaction(number, &action, nullptr);
    }
}

// Blocks the interrupting signals for its lifetime.
class SignalsHeld {
public:
    SignalsHeld()
    {
        sigset_t held;
        sigemptyset(&held);
        for (const int number : interrupting_signals)
            sigaddset(&held, number);
        sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_{};
};

// A file that publishing replaces or removes, and the hard link that keeps it
// meanwhile; no link when there was nothing to keep.
struct Kept {
    std::string path;
    std::string link;
};

// Links `path` to a new name beside it, unless nothing or a folder is there:
// renaming onto a folder fails, and the set is then put back.
bool keep_aside(const char* path, Kept& kept, std::string& error)
{
    kept = {path, ""};
    struct stat info {};
    if (lstat(path, &info) != 0 || S_ISDIR(info.st_mode))
        return true;
    std::string name = kept.path + ".XXXXXX";
    const int fd = mkstemp(name.data());  // only to find a free name
    if (fd < 0 || close(fd) != 0 || unlink(name.c_str()) != 0 || link(path, name.c_str()) != 0) {
        error = "cannot keep \"" + kept.path + "\" aside: " + std::strerror(errno);
        return false;
    }
    kept.link = name;
    return true;
}

// Puts a kept file back in its place, or clears the place that held none.
void put_back(const Kept& kept)
{
    if (kept.link.empty())
        unlink(kept.path.c_str());
    else
        std::rename(kept.link.c_str(), kept.path.c_str());
}

}  // namespace

int stage_file(const std::string& final_path, std::string& error)
{
    if (final_path.size() + 8 > max_path) {
        error = "the path \"" + final_path + "\" is too long";
        return -1;
    }
    if (staged_count == max_staged) {
        error = "too many files at once";
        return -1;
    }
    install_handlers();
    const SignalsHeld held;
    Staged& slot = staged[staged_count];
    std::snprintf(slot.final, max_path, "%s", final_path.c_str());
    std::snprintf(slot.temporary, max_path, "%s.XXXXXX", final_path.c_str());
    const int fd = mkstemp(slot.temporary);
    if (fd < 0) {
        error = "cannot create a file beside \"" + final_path + "\": " + std::strerror(errno);
        return -1;
    }
    // mkstemp makes the file private; give it the mode any new file would get.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    staged_count = staged_count + 1;
    return fd;
}

bool publish_staged_files(const std::vector<std::string>& stale, std::string& error)
{
    const SignalsHeld held;
    const auto count = static_cast<std::size_t>(staged_count);
    const auto path_of = [&](std::size_t step) { return step < count ? staged[step].final : stale[step - count].c_str(); };
    // Steps up to `count` rename a staged file into place; the rest remove a stale file.
    std::vector<Kept> kept(count + stale.size());
    std::size_t aside = 0;
    while (aside < kept.size() && keep_aside(path_of(aside), kept[aside], error))
        ++aside;
    std::size_t done = 0;
    while (aside == kept.size() && done < kept.size()) {
        const bool failed = done < count ? std::rename(staged[done].temporary, staged[done].final) != 0
                                         : unlink(path_of(done)) != 0;
        if (failed) {
            error = std::string(done < count ? "cannot put \"" : "cannot remove \"") + path_of(done) +
                    (done < count ? "\" in place: " : "\": ") + std::strerror(errno);
            break;
        }
        ++done;
    }
    const bool ok = done == kept.size();
    for (std::size_t step = 0; step < aside; ++step) {
        if (!ok && step < done)
            put_back(kept[step]);
        else if (!kept[step].link.empty())
            unlink(kept[step].link.c_str());
    }
    for (std::size_t step = done; step < count; ++step)
        unlink(staged[step].temporary);
    staged_count = 0;
    return ok;
}

void discard_staged_files()
{
    const SignalsHeld held;
    for (int i = 0; i < staged_count; ++i)
        unlink(staged[i].temporary);
    staged_count = 0;
}

}  // namespace staging
