#include "publish.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace app {

namespace {

// The line for a step on `path` that failed with errno.
std::string failed(const char* step, const std::string& path)
{
    return std::string("cannot ") + step + " \"" + path + "\": " + std::strerror(errno);
}

// The whole content of the file at `path`; false with errno set when it cannot be read.
bool read_file(const std::string& path, std::string& bytes)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[65536];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(got));
    const int cause = errno;
    close(fd);
    errno = cause;
    return got == 0;
}

enum class Found { nothing, ours, foreign };

// What lies under `path`. A folder counts as nothing: renaming a page onto
// it fails, which puts the set back. A page of ours changed since it was
// written, or what cannot be told, puts the cause in `error`.
Found look_at(const std::string& path, MarkPlace place, std::string& error)
{
    struct stat info {};  // a mode of 0: nothing there
    if (lstat(path.c_str(), &info) != 0 && errno != ENOENT)
        error = failed("look at", path);
    if (!S_ISREG(info.st_mode))
        return info.st_mode == 0 || S_ISDIR(info.st_mode) ? Found::nothing : Found::foreign;
    std::string bytes;
    if (!read_file(path, bytes)) {
        error = failed("read", path);
        return Found::foreign;
    }
    const Mark mark = read_mark(bytes, place);
    if (mark == Mark::changed)
        error = "\"" + path + "\" was changed after it was written: move it away or pick another folder";
    return mark == Mark::ours ? Found::ours : Found::foreign;
}

// A name the set writes a new page to, or clears of an older one.
struct Slot {
    std::string path;
    std::string bytes;    // the new page; none for a name to clear
    bool keep = false;    // an older page of ours is there
    std::string staged;   // the new page's temporary name until it is placed
    std::string aside;    // the older page's temporary name
    bool placed = false;  // the new page is under `path`
};

// Writes the new page to a file beside its name, with the mode any new file gets.
bool stage(Slot& slot, mode_t mode, std::string& error)
{
    slot.staged = slot.path + ".XXXXXX";
    const int fd = mkstemp(slot.staged.data());
    if (fd < 0) {
        error = failed("create a file beside", slot.path);
        slot.staged.clear();
        return false;
    }
    fchmod(fd, mode);  // mkstemp's file is private; where modes cannot be set (FAT) it stays so
    ssize_t wrote = 0;
    for (std::size_t done = 0; done < slot.bytes.size() && wrote >= 0; done += static_cast<std::size_t>(wrote))
        wrote = write(fd, slot.bytes.data() + done, slot.bytes.size() - done);
    const bool written = wrote >= 0;
    if (close(fd) != 0 || !written) {  // errno tells the first cause
        error = failed("write", slot.path);
        return false;
    }
    return true;
}

// Renames the older page to a free name beside it (mkstemp finds one, and the
// rename takes that empty file's place), then the new page into place.
bool install(Slot& slot, std::string& error)
{
    std::string name = slot.path + ".XXXXXX";
    const int fd = slot.keep ? mkstemp(name.data()) : -1;
    if (slot.keep && (fd < 0 || close(fd) != 0 || std::rename(slot.path.c_str(), name.c_str()) != 0)) {
        error = failed("keep aside", slot.path);
        if (fd >= 0 && unlink(name.c_str()) != 0)
            error += "; " + failed("remove", name);
        return false;
    }
    slot.aside = slot.keep ? name : "";
    slot.placed = !slot.bytes.empty() && std::rename(slot.staged.c_str(), slot.path.c_str()) == 0;
    if (slot.placed)
        slot.staged.clear();
    else if (!slot.bytes.empty())
        error = failed("put the new page at", slot.path);
    return slot.placed || slot.bytes.empty();
}

// Removes the temporary names, and unless `done` puts every older page back
// and clears the names that held none. A step that fails adds to `error`.
void settle(const std::vector<Slot>& slots, bool done, std::string& error)
{
    const auto step = [&](bool ok, const char* what, const std::string& path) {
        if (!ok)
            error += (error.empty() ? "" : "; and ") + failed(what, path);
    };
    for (const Slot& slot : slots) {
        if (!slot.staged.empty())
            step(unlink(slot.staged.c_str()) == 0, "remove", slot.staged);
        if (!slot.aside.empty() && done)
            step(unlink(slot.aside.c_str()) == 0, "remove", slot.aside);
        else if (!slot.aside.empty())
            step(std::rename(slot.aside.c_str(), slot.path.c_str()) == 0, "put back", slot.aside);
        else if (slot.placed && !done)
            step(unlink(slot.path.c_str()) == 0, "remove", slot.path);
    }
}

// Writes the set and puts it in place, as exporter.h tells, with SIGINT,
// SIGTERM and SIGHUP held until the folder holds the new set or the old again.
bool publish(std::vector<Slot>& slots, std::string& error)
{
    const mode_t mask = umask(0);
    umask(mask);
    sigset_t held;
    sigset_t before;
    sigemptyset(&held);
    for (const int number : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&held, number);
    sigprocmask(SIG_BLOCK, &held, &before);
    bool done = true;
    for (Slot& slot : slots)
        done = done && (slot.bytes.empty() || stage(slot, 0666 & ~mask, error));
    for (Slot& slot : slots)
        done = done && install(slot, error);
    settle(slots, done, error);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return error.empty();
}

}  // namespace

long publish_set(const std::vector<SetFile>& files, const std::vector<std::string>& older, MarkPlace mark,
                 std::string& error)
{
    std::vector<Slot> slots;
    for (const SetFile& file : files) {
        const Found found = look_at(file.path, mark, error);
        if (!error.empty())
            return -1;
        if (found == Found::foreign) {
            error = "\"" + file.path + "\" is not a page of ours: move it away or pick another folder";
            return -1;
        }
        Slot& slot = slots.emplace_back();
        slot.path = file.path;
        slot.bytes = file.bytes;
        seal_mark(slot.bytes, mark);
        slot.keep = found == Found::ours;
    }
    for (const std::string& path : older) {
        const Found found = look_at(path, mark, error);
        if (!error.empty())
            return -1;
        if (found == Found::ours) {
            Slot& slot = slots.emplace_back();
            slot.path = path;
            slot.keep = true;
        }
    }
    if (!publish(slots, error))
        return -1;
    return static_cast<long>(slots.size() - files.size());
}

}  // namespace app
