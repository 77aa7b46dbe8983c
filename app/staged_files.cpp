#include "staged_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

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

bool publish_staged_files(std::string& error)
{
    const SignalsHeld held;
    for (int i = 0; i < staged_count; ++i) {
        if (std::rename(staged[i].temporary, staged[i].final) != 0) {
            error = std::string("cannot rename \"") + staged[i].temporary + "\" into place: " +
                    std::strerror(errno);
            for (int j = i; j < staged_count; ++j)
                unlink(staged[j].temporary);
            staged_count = 0;
            return false;
        }
    }
    staged_count = 0;
    return true;
}

void discard_staged_files()
{
    const SignalsHeld held;
    for (int i = 0; i < staged_count; ++i)
        unlink(staged[i].temporary);
    staged_count = 0;
}

}  // namespace staging
